// A loopback proxy in front of a private cupsd that makes the server fail at the moment a job's
// document starts to go (its Send-Document, the first request libcups sends chunked), for the
// tests of what a failed job leaves behind:
//
//   fault-proxy PORT cut            closes the client's connection there; the server stays up
//   fault-proxy PORT stop PID       stops the server (SIGSTOP) before the request reaches it
//   fault-proxy PORT kill PID BYTES kills the server (SIGKILL) once BYTES of the request passed
//
// It listens on a free loopback port and prints it. Once the fault has happened, new
// connections are passed on (cut), taken and left unanswered (a stopped server) or closed (a
// dead one). It ends
// when killed or after 120 s.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Link {
    int client = -1;
    int server = -1;
    bool sending = false; // the chunked request has begun on this link
    long passed = 0;      // bytes of it passed on since
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

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fault-proxy PORT cut | stop PID | kill PID BYTES\n");
        return 2;
    }
    int target = std::atoi(argv[1]);
    std::string mode = argv[2];
    pid_t victim = argc > 3 ? static_cast<pid_t>(std::atoi(argv[3])) : 0;
    long killAfter = argc > 4 ? std::atol(argv[4]) : 0;
    if ((mode != "cut" && victim <= 0) || (mode != "cut" && mode != "stop" && mode != "kill")) {
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
    std::vector<int> held; // connections taken after a stop, never answered
    time_t end = time(nullptr) + 120;
    while (time(nullptr) < end) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Link& link : links) {
            fds.push_back({link.client, POLLIN, 0});
            fds.push_back({link.server, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), 1000) <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            int client = accept(listener, nullptr, nullptr);
            if (client >= 0 && faulted && mode != "cut") {
                if (mode == "stop") {
                    held.push_back(client);
                } else {
                    close(client);
                }
            } else if (client >= 0) {
                int server = connectTo(target);
                if (server < 0) {
                    close(client);
                } else {
                    links.push_back({client, server});
                }
            }
        }
        // Only the links polled this round; one accepted just now waits for the next.
        size_t polled = (fds.size() - 1) / 2;
        for (size_t i = 0; i < polled; ++i) {
            Link& link = links[i];
            for (int side = 0; side < 2 && link.client >= 0; ++side) {
                const pollfd& p = fds[1 + 2 * i + static_cast<size_t>(side)];
                if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                char buffer[65536];
                ssize_t n = read(p.fd, buffer, sizeof buffer);
                if (n <= 0) {
                    closeLink(&link);
                    break;
                }
                int to = side == 0 ? link.server : link.client;
                if (side == 0 && !link.sending && !faulted &&
                    std::string(buffer, static_cast<size_t>(n))
                            .find("Transfer-Encoding: chunked") != std::string::npos) {
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
                        held.push_back(link.client);
                        link.client = -1;
                        close(link.server);
                        link.server = -1;
                        break;
                    }
                }
                if (write(to, buffer, static_cast<size_t>(n)) != n) {
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
        for (const Link& link : links) {
            if (link.client >= 0) {
                open.push_back(link);
            }
        }
        links.swap(open);
    }
    return 0;
}
