// A loopback proxy in front of a private cupsd that makes the server fail at one moment, for
// the tests of what a client does then and what it tells its user:
//
//   fault-proxy PORT cut               at a job's document (the first request libcups sends
//                                      chunked, Send-Document): closes the client's connection;
//                                      the server stays up
//   fault-proxy PORT stop PID          there: stops the server (SIGSTOP) before the request
//                                      reaches it
//   fault-proxy PORT kill PID BYTES    there: kills the server (SIGKILL) once BYTES passed
//   fault-proxy PORT refuse OP         at the first request of IPP operation OP (a number, such
//                                      as 0x14 for Set-Job-Attributes): answers it itself with
//                                      server-error-internal-error; the server never sees it
//   fault-proxy PORT fail-after OP     passes it on, and turns the server's answer into
//                                      server-error-internal-error: done, but said to fail
//   fault-proxy PORT late OP SECONDS   passes it on, and holds the server's answer that long
//   fault-proxy PORT ppd-error         answers the first GET of a PPD with 500 itself
//
// It listens on a free loopback port and prints it. Once the fault has happened, new
// connections are passed on (cut, and the operation faults), taken and left unanswered (a
// stopped server) or closed (a dead one). It ends when killed or after 180 s.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

namespace {

struct Held {
    time_t at;
    std::string bytes;
};

struct Link {
    int client = -1;
    int server = -1;
    bool sending = false;   // the chunked request has begun on this link
    long passed = 0;        // bytes of it passed on since
    bool bodyNext = false;  // a POST's headers went by: its body comes next
    bool chunked = false;   // and comes in chunks
    bool marked = false;    // the server's next final answer on this link is the faulty one
    bool answering = false; // its headers went by: its body comes next
    bool answerChunked = false;
    std::deque<Held> held; // answers held back (late)
};

int connectTo(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void closeLink(Link* link) {
    if (link->client >= 0) {
        close(link->client);
    }
    if (link->server >= 0) {
        close(link->server);
    }
    link->client = link->server = -1;
}

bool writeAll(int fd, const std::string& bytes) {
    return fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// The IPP body's offset in bytes that may begin with HTTP headers; npos when it is not there.
size_t bodyStart(const std::string& bytes, bool headers, bool chunked) {
    size_t at = 0;
    if (headers) {
        at = bytes.find("\r\n\r\n");
        if (at == std::string::npos) {
            return std::string::npos;
        }
        at += 4;
    }
    if (chunked) {
        size_t line = bytes.find("\r\n", at);
        if (line == std::string::npos) {
            return std::string::npos;
        }
        at = line + 2;
    }
    return at + 8 <= bytes.size() ? at : std::string::npos;
}

// An IPP answer of the proxy's own: server-error-internal-error for the request's id.
std::string errorAnswer(const std::string& requestId) {
    std::string ipp("\x02\x00\x05\x00", 4);
    ipp += requestId;
    ipp += '\x01';
    auto attribute = [&](char tag, const std::string& name, const std::string& value) {
        ipp += tag;
        ipp += static_cast<char>(name.size() >> 8);
        ipp += static_cast<char>(name.size() & 0xFF);
        ipp += name;
        ipp += static_cast<char>(value.size() >> 8);
        ipp += static_cast<char>(value.size() & 0xFF);
        ipp += value;
    };
    attribute('\x47', "attributes-charset", "utf-8");
    attribute('\x48', "attributes-natural-language", "en");
    ipp += '\x03';
    return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " +
           std::to_string(ipp.size()) + "\r\n\r\n" + ipp;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fault-proxy PORT cut | stop PID | kill PID BYTES | refuse OP"
                             " | fail-after OP | late OP SECONDS | ppd-error\n");
        return 2;
    }
    int target = std::atoi(argv[1]);
    std::string mode = argv[2];
    bool atDocument = mode == "cut" || mode == "stop" || mode == "kill";
    bool atOperation = mode == "refuse" || mode == "fail-after" || mode == "late";
    pid_t victim = (mode == "stop" || mode == "kill") && argc > 3 ? std::atoi(argv[3]) : 0;
    long killAfter = mode == "kill" && argc > 4 ? std::atol(argv[4]) : 0;
    int operation =
        atOperation && argc > 3 ? static_cast<int>(std::strtol(argv[3], nullptr, 0)) : 0;
    int lateBy = mode == "late" && argc > 4 ? std::atoi(argv[4]) : 0;
    if ((!atDocument && !atOperation && mode != "ppd-error") ||
        ((mode == "stop" || mode == "kill") && victim <= 0) || (atOperation && operation <= 0) ||
        (mode == "late" && lateBy <= 0)) {
        std::fprintf(stderr, "fault-proxy: bad arguments\n");
        return 2;
    }

    // A write to a side that has gone fails; it must not end the proxy.
    signal(SIGPIPE, SIG_IGN);
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("fault-proxy");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    bool faulted = false;
    std::vector<Link> links;
    std::vector<int> unanswered; // connections taken after a stop, never answered
    time_t end = time(nullptr) + 180;
    while (time(nullptr) < end) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Link& link : links) {
            fds.push_back({link.client, POLLIN, 0});
            fds.push_back({link.server, POLLIN, 0});
        }
        poll(fds.data(), fds.size(), 200);
        // Answers held back go once their time has come.
        for (Link& link : links) {
            while (!link.held.empty() && link.held.front().at <= time(nullptr)) {
                writeAll(link.client, link.held.front().bytes);
                link.held.pop_front();
            }
        }
        if (fds[0].revents & POLLIN) {
            int client = accept(listener, nullptr, nullptr);
            if (client >= 0 && faulted && (mode == "stop" || mode == "kill")) {
                if (mode == "stop") {
                    unanswered.push_back(client);
                } else {
                    close(client);
                }
            } else if (client >= 0) {
                int server = connectTo(target);
                if (server < 0) {
                    close(client);
                } else {
                    Link link;
                    link.client = client;
                    link.server = server;
                    links.push_back(link);
                }
            }
        }
        // Only the links polled this round; one accepted just now waits for the next.
        size_t polled = (fds.size() - 1) / 2;
        for (size_t i = 0; i < polled; ++i) {
            Link& link = links[i];
            for (int side = 0; side < 2 && link.client >= 0; ++side) {
                const pollfd& p = fds[1 + 2 * i + static_cast<size_t>(side)];
                if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                char buffer[65536];
                ssize_t n = read(p.fd, buffer, sizeof buffer);
                if (n <= 0) {
                    closeLink(&link);
                    break;
                }
                std::string bytes(buffer, static_cast<size_t>(n));
                if (side == 0) {
                    bool headers = bytes.compare(0, 5, "POST ") == 0;
                    if (headers) {
                        link.chunked =
                            bytes.find("Transfer-Encoding: chunked") != std::string::npos;
                        link.bodyNext = true;
                    }
                    if (mode == "ppd-error" && !faulted && bytes.compare(0, 4, "GET ") == 0 &&
                        bytes.find(".ppd HTTP/") != std::string::npos) {
                        faulted = true;
                        writeAll(link.client, "HTTP/1.1 500 Internal Server Error\r\n"
                                              "Content-Length: 0\r\n\r\n");
                        continue;
                    }
                    size_t body =
                        link.bodyNext ? bodyStart(bytes, headers, link.chunked) : std::string::npos;
                    if (body != std::string::npos) {
                        link.bodyNext = false;
                        int op = (static_cast<unsigned char>(bytes[body + 2]) << 8) |
                                 static_cast<unsigned char>(bytes[body + 3]);
                        if (atOperation && !faulted && op == operation) {
                            faulted = true;
                            if (mode == "refuse") {
                                // The server may have the headers: that request is dropped
                                // with its connection, and the link goes on with a new one.
                                close(link.server);
                                link.server = connectTo(target);
                                writeAll(link.client, errorAnswer(bytes.substr(body + 4, 4)));
                                continue;
                            }
                            link.marked = true;
                        }
                    }
                }
                if (side == 0 && atDocument && !link.sending && !faulted && link.chunked) {
                    link.sending = true;
                    if (mode == "cut") {
                        faulted = true;
                        closeLink(&link);
                        break;
                    }
                    if (mode == "stop") {
                        faulted = true;
                        kill(victim, SIGSTOP);
                        // The request never reaches the server: it is held here.
                        unanswered.push_back(link.client);
                        link.client = -1;
                        close(link.server);
                        link.server = -1;
                        break;
                    }
                }
                if (side == 1 && link.marked) {
                    // The server's final answer (not its "100 Continue") to the marked request;
                    // its body may come in a later read.
                    size_t final = link.answering ? 0 : bytes.find("HTTP/1.1 200");
                    if (final != std::string::npos) {
                        if (mode == "late") {
                            link.marked = false;
                            link.held.push_back({time(nullptr) + lateBy, bytes});
                            continue;
                        }
                        if (!link.answering) {
                            link.answerChunked = bytes.find("Transfer-Encoding: chunked", final) !=
                                                 std::string::npos;
                        }
                        size_t body =
                            bodyStart(bytes.substr(final), !link.answering, link.answerChunked);
                        link.answering = body == std::string::npos;
                        if (body != std::string::npos) {
                            link.marked = false;
                            bytes[final + body + 2] = '\x05';
                            bytes[final + body + 3] = '\x00';
                        }
                    }
                }
                if (side == 1 && !link.held.empty()) {
                    link.held.push_back({link.held.back().at, bytes});
                    continue;
                }
                int to = side == 0 ? link.server : link.client;
                if (!writeAll(to, bytes)) {
                    closeLink(&link);
                    break;
                }
                if (link.sending && mode == "kill" && !faulted) {
                    link.passed += n;
                    if (link.passed >= killAfter) {
                        faulted = true;
                        kill(victim, SIGKILL);
                    }
                }
            }
        }
        std::vector<Link> open;
        for (Link& link : links) {
            if (link.client >= 0) {
                open.push_back(std::move(link));
            }
        }
        links.swap(open);
    }
    return 0;
}
