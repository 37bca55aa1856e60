// A classic time server to compare against: answers each connection at once with the local time
// as 12 digits (YYYYMMDDhhmm), then closes. Listens on 127.0.0.1 only; the port is the argument.
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listenOnLoopback(int port) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<in_port_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 128) != 0) {
        return -1;
    }
    return listener;
}

void answer(int connection) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char reply[13];
    std::strftime(reply, sizeof reply, "%Y%m%d%H%M", &local);
    if (write(connection, reply, 12) != 12) {
        std::perror("reference_time_server: write");
    }
    close(connection);
}

} // namespace

int main(int argc, char* argv[]) {
    const int listener = listenOnLoopback(argc > 1 ? std::atoi(argv[1]) : 10326);
    if (listener < 0) {
        std::perror("reference_time_server: listen");
        return 1;
    }
    for (;;) {
        const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            answer(connection);
        }
    }
}
