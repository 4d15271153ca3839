#include "host/agent/ServerEvents.h"

#include "host/agent/JobReports.h"
#include "host/agent/Stop.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kLeaseSeconds = 300; // the subscription's lease, renewed well before it ends
constexpr auto kRenewEvery = std::chrono::seconds(120);
// On the bus a signal may be lost (the bus restarted, the notifier died): a sweep this often.
constexpr auto kSafetySweep = std::chrono::seconds(30);

// The interface and object of cupsd's D-Bus notifier.
constexpr const char* kNotifierInterface = "org.cups.cupsd.Notifier";
constexpr const char* kNotifierPath = "/org/cups/cupsd/Notifier";

using Clock = std::chrono::steady_clock;

} // namespace

struct ServerEvents::Bus {
    GDBusConnection* connection = nullptr;
    guint signals = 0;
    bool closed = false;
    ServerNews news; // what the signals said since the last wait
    bool hasNews() const { return news.jobs || news.allQueues || !news.queues.empty(); }

    ~Bus() {
        if (signals != 0) {
            g_dbus_connection_signal_unsubscribe(connection, signals);
        }
        g_signal_handlers_disconnect_by_data(connection, this);
        g_object_unref(connection);
    }

    static void heard(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                      const gchar* signal, GVariant* parameters, gpointer data) {
        auto* bus = static_cast<Bus*>(data);
        if (std::strncmp(signal, "Job", 3) == 0) {
            bus->news.jobs = true;
        } else if (std::strcmp(signal, "PrinterAdded") == 0 ||
                   std::strcmp(signal, "PrinterModified") == 0 ||
                   std::strcmp(signal, "PrinterDeleted") == 0) {
            // (text, printer-uri, printer-name, ...): the queue it is about.
            const gchar* name = nullptr;
            if (g_variant_n_children(parameters) > 2) {
                GVariant* child = g_variant_get_child_value(parameters, 2);
                if (g_variant_is_of_type(child, G_VARIANT_TYPE_STRING)) {
                    name = g_variant_get_string(child, nullptr);
                    bus->news.queues.insert(name);
                }
                g_variant_unref(child);
            }
            bus->news.allQueues = bus->news.allQueues || name == nullptr;
        }
    }
    static void lost(GDBusConnection*, gboolean, GError*, gpointer data) {
        static_cast<Bus*>(data)->closed = true;
    }
};

bool serverIsLocal(const std::string& address) {
    if (address.empty() || address[0] == '/') {
        return !address.empty();
    }
    std::string host = address;
    if (host[0] == '[') {
        host = host.substr(1, host.find(']') - 1);
    } else if (std::count(host.begin(), host.end(), ':') == 1) {
        host = host.substr(0, host.find(':'));
    }
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

ServerEvents::ServerEvents(EventPath path, double pollSeconds)
    : path_(path), pollEvery_(std::max<long long>(static_cast<long long>(pollSeconds * 1000), 10)) {
}

ServerEvents::~ServerEvents() = default;

std::string ServerEvents::describe() const {
    if (bus_ != nullptr) {
        return "the system bus (cupsd's D-Bus notifier), a sweep every " +
               std::to_string(kSafetySweep.count()) + " s besides";
    }
    return "polling every " + std::to_string(pollEvery_.count()) + " ms";
}

bool ServerEvents::subscribe(CupsConnection& connection, bool onBus, CupsFailure* failure) {
    sequence_ = 0;
    renewed_ = Clock::now();
    return connection.subscribe(kLeaseSeconds, onBus ? "dbus://" : "", &subscription_, failure);
}

bool ServerEvents::start(CupsConnection& connection, CupsFailure* failure) {
    bus_.reset();
    nextPoll_ = nextSweep_ = Clock::now();
    std::vector<std::string> schemes;
    CupsFailure ignored;
    bool busOffered = path_ != EventPath::Polling && serverIsLocal(connection.address()) &&
                      connection.notifySchemes(&schemes, &ignored) &&
                      std::find(schemes.begin(), schemes.end(), "dbus") != schemes.end();
    if (busOffered) {
        // The bus's signals come to the agent's own context, which it runs while it waits.
        AgentContextScope scope;
        GError* error = nullptr;
        GDBusConnection* system = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
        if (system == nullptr) {
            agentSays(std::string("events: no system bus (") + error->message + ")");
            g_clear_error(&error);
        } else {
            g_dbus_connection_set_exit_on_close(system, FALSE);
            auto bus = std::make_unique<Bus>();
            bus->connection = system;
            bus->signals = g_dbus_connection_signal_subscribe(
                system, nullptr, kNotifierInterface, nullptr, kNotifierPath, nullptr,
                G_DBUS_SIGNAL_FLAGS_NONE, &Bus::heard, bus.get(), nullptr);
            g_signal_connect(system, "closed", G_CALLBACK(&Bus::lost), bus.get());
            if (subscribe(connection, true, failure)) {
                bus_ = std::move(bus);
                nextSweep_ = Clock::now() + kSafetySweep;
                return true;
            }
            agentSays("events: the server refused a D-Bus subscription (" + failure->message + ")");
        }
    } else if (path_ == EventPath::Bus) {
        agentSays("events: the server offers no D-Bus events here");
    }
    return subscribe(connection, false, failure);
}

bool ServerEvents::renewIfDue(CupsConnection& connection, CupsFailure* failure) {
    auto now = Clock::now();
    if (subscription_ == 0 || now - renewed_ < kRenewEvery) {
        return true;
    }
    connection.renewDeadline();
    if (!connection.renewSubscription(subscription_, kLeaseSeconds, failure)) {
        return false;
    }
    renewed_ = now;
    return true;
}

ServerNews ServerEvents::wait(CupsConnection& connection, std::chrono::milliseconds soon) {
    ServerNews news;
    auto now = Clock::now();
    auto until =
        std::min({now + soon, now + kRenewEvery, bus_ != nullptr ? nextSweep_ : nextPoll_});
    if (bus_ == nullptr || !bus_->hasNews()) {
        waitUnlessStopped(std::chrono::duration_cast<std::chrono::milliseconds>(until - now),
                          [this] { return bus_ != nullptr && (bus_->hasNews() || bus_->closed); });
    }
    if (agentStopping()) {
        return news;
    }
    if (!renewIfDue(connection, &news.failure)) {
        news.failed = true;
        return news;
    }
    if (bus_ != nullptr && bus_->closed) {
        // The bus went away: the events come by polling from now on, and a sweep finds what
        // happened meanwhile.
        agentSays("events: the system bus went away; polling every " +
                  std::to_string(pollEvery_.count()) + " ms");
        CupsFailure failure;
        connection.renewDeadline();
        connection.cancelSubscription(subscription_, &failure);
        bus_.reset();
        connection.renewDeadline();
        if (!subscribe(connection, false, &news.failure)) {
            news.failed = true;
            return news;
        }
        nextPoll_ = Clock::now() + pollEvery_;
        news.jobs = news.allQueues = true;
        return news;
    }
    now = Clock::now();
    if (bus_ != nullptr) {
        news = std::move(bus_->news);
        bus_->news = ServerNews();
        if (now >= nextSweep_) {
            news.sweepDue = true;
            nextSweep_ = now + kSafetySweep;
        }
        return news;
    }
    if (now < nextPoll_) {
        return news;
    }
    nextPoll_ = now + pollEvery_;
    std::vector<CupsEvent> events;
    connection.renewDeadline();
    if (!connection.notifications(subscription_, &sequence_, &events, &news.failure)) {
        news.failed = true;
        return news;
    }
    for (const CupsEvent& event : events) {
        if (event.event.rfind("printer-", 0) != 0) {
            news.jobs = true;
        } else if (event.printerName.empty()) {
            news.allQueues = true;
        } else {
            news.queues.insert(event.printerName);
        }
    }
    return news;
}

void ServerEvents::stop(CupsConnection& connection) {
    if (subscription_ != 0) {
        CupsFailure failure;
        connection.renewDeadline();
        connection.cancelSubscription(subscription_, &failure);
        subscription_ = 0;
    }
    bus_.reset();
}
