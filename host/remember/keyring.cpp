#include "host/remember/Keyring.h"

#include <libsecret/secret.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

const SecretSchema kCodeSchema = {
    "org.quorv.printdialog.AccountingCode",
    SECRET_SCHEMA_NONE,
    {{"code", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

// No keyring call may hang the dialog (a locked keyring waiting for a prompt nobody sees):
// each is cancelled after this long.
constexpr std::chrono::seconds kKeyringWait{5};

// Cancels a call that has not come back in time.
class Watchdog {
  public:
    Watchdog() : cancellable_(g_cancellable_new()), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
        g_object_unref(cancellable_);
    }
    GCancellable* cancellable() const { return cancellable_; }

  private:
    void watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!wake_.wait_for(lock, kKeyringWait, [this] { return done_; })) {
            g_cancellable_cancel(cancellable_);
        }
    }
    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

class Keyring : public SecretStore {
  public:
    bool store(const std::string& name, const std::string& secret) override {
        Watchdog watchdog;
        GError* error = nullptr;
        std::string label = "Print dialog: accounting " + name;
        gboolean stored = secret_password_store_sync(
            &kCodeSchema, SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(),
            watchdog.cancellable(), &error, "code", name.c_str(), nullptr);
        g_clear_error(&error);
        return stored != FALSE;
    }

    bool lookup(const std::string& name, std::string* secret) override {
        Watchdog watchdog;
        GError* error = nullptr;
        gchar* found = secret_password_lookup_sync(&kCodeSchema, watchdog.cancellable(), &error,
                                                   "code", name.c_str(), nullptr);
        g_clear_error(&error);
        if (found == nullptr) {
            return false;
        }
        *secret = found;
        secret_password_free(found);
        return true;
    }

    void forget(const std::string& name) override {
        Watchdog watchdog;
        GError* error = nullptr;
        secret_password_clear_sync(&kCodeSchema, watchdog.cancellable(), &error, "code",
                                   name.c_str(), nullptr);
        g_clear_error(&error);
    }
};

} // namespace

std::unique_ptr<SecretStore> openKeyring(std::string* why) {
    // Without a session bus address, GLib would try to start one for us (X11 autolaunch).
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0') {
        *why = "there is no session bus";
        return nullptr;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        *why = std::string("the session bus can't be reached: ") + error->message;
        g_clear_error(&error);
        return nullptr;
    }
    // Only a keyring already running: activating one here could leave it locked, asking for
    // a password in a prompt the user may never see.
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
    g_object_unref(bus);
    gboolean running = FALSE;
    if (reply != nullptr) {
        g_variant_get(reply, "(b)", &running);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    if (!running) {
        *why = "no keyring (Secret Service) runs in this session";
        return nullptr;
    }
    return std::make_unique<Keyring>();
}
