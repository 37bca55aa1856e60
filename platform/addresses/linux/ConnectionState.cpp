#include "ConnectionState.h"

#include <array>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Closes the netlink socket on every way out.
class NetlinkSocket {
public:
    NetlinkSocket() : m_fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
    ~NetlinkSocket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// A route to every address that sends packets on (a blackhole or unreachable default does not).
bool isDefaultRoute(const nlmsghdr& message) {
    const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(&message));
    return message.nlmsg_type == RTM_NEWROUTE && route->rtm_dst_len == 0 && route->rtm_type == RTN_UNICAST;
}

bool askForRoutes(int fd, unsigned char family) {
    struct {
        nlmsghdr header;
        rtmsg route;
    } request{};
    request.header.nlmsg_len = sizeof(request);
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = family;
    request.route.rtm_family = family;
    return ::send(fd, &request, sizeof(request), 0) == static_cast<ssize_t>(sizeof(request));
}

// Reads the dump of every table's routes of one family to its end: whether one is a default route,
// or nothing when the kernel answered with an error or the socket failed.
std::optional<bool> readDumpForDefault(int fd, unsigned char family) {
    alignas(nlmsghdr) std::array<char, 32768> buffer;
    bool found = false;
    for (;;) {
        const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            return std::nullopt;
        }
        int left = static_cast<int>(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer.data()); NLMSG_OK(message, left);
             message = NLMSG_NEXT(message, left)) {
            if (message->nlmsg_seq != family) {
                continue;
            }
            if (message->nlmsg_type == NLMSG_DONE) {
                return found;
            }
            if (message->nlmsg_type == NLMSG_ERROR) {
                return std::nullopt;
            }
            found = found || isDefaultRoute(*message);
        }
    }
}

// Whether either family has a default route; a family whose table cannot be read (IPv6 switched
// off, say) is passed over, and only when neither can be read is there no answer.
std::optional<bool> hasDefaultRoute() {
    const NetlinkSocket netlink;
    if (netlink.fd() < 0) {
        return std::nullopt;
    }
    std::optional<bool> answer;
    for (const unsigned char family : {AF_INET, AF_INET6}) {
        const std::optional<bool> inFamily =
            askForRoutes(netlink.fd(), family) ? readDumpForDefault(netlink.fd(), family) : std::nullopt;
        if (inFamily) {
            answer = answer.value_or(false) || *inFamily;
        }
    }
    return answer;
}

} // namespace

std::optional<std::uint32_t> ConnectionState::connectedFlags() const {
    return flagsFor(hasDefaultRoute());
}

std::optional<std::uint32_t> ConnectionState::flagsFor(std::optional<bool> hasDefaultRoute) {
    if (!hasDefaultRoute) {
        return std::nullopt;
    }
    return *hasDefaultRoute ? INTERNET_CONNECTION_LAN : 0;
}
