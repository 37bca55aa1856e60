#include "StatusSocket.h"

#include "GuiThread.h"
#include "UnixSocketAddress.h"

#include <QFile>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int kBacklog = 8;
constexpr int kAcceptsPerWakeUp = 16; // a client that connects without end cannot hold the loop
constexpr std::chrono::seconds kResumeAfterExhaustion{1};

// Whether a server answers at the address, asked through the probe: a refused connection is a
// file left behind.
bool answersAt(int probe, const sockaddr_un& address) {
    const bool answers = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ||
                         errno == EAGAIN || errno == EINPROGRESS;
    ::close(probe);
    return answers;
}

int localStreamSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

bool isOwnUserOrRoot(int client) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    return ::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           (credentials.uid == ::geteuid() || credentials.uid == 0);
}

// Makes the socket file, the owner's alone, and listens; answers the error number, or 0. A file
// made here is removed again when a later step fails.
int bindAndListen(int descriptor, const sockaddr_un& address, struct stat& file) {
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        return errno;
    }
    if (::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(descriptor, kBacklog) != 0 ||
        ::lstat(address.sun_path, &file) != 0) {
        const int error = errno;
        ::unlink(address.sun_path);
        return error;
    }
    return 0;
}

} // namespace

StatusSocket::StatusSocket(StatusAnswer answer, QObject* parent) : QObject(parent), m_answer(std::move(answer)) {
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, [this] { m_notifier->setEnabled(true); });
}

StatusSocket::~StatusSocket() {
    if (m_descriptor < 0) {
        return;
    }
    m_notifier.reset();
    ::close(m_descriptor);
    struct stat file {};
    if (::lstat(m_path.constData(), &file) == 0 && file.st_dev == m_fileDevice && file.st_ino == m_fileInode) {
        ::unlink(m_path.constData());
    }
}

std::optional<ErrorRecord> StatusSocket::listen(const QString& path) {
    gui_thread::assertOnGuiThread("StatusSocket::listen");
    m_path = QFile::encodeName(path);
    const std::optional<sockaddr_un> address = unixSocketAddress(m_path);
    if (!address) {
        return failure(ENAMETOOLONG, QStringLiteral("the path is too long for a local socket"));
    }
    const int descriptor = localStreamSocket();
    const int probe = descriptor < 0 ? -1 : localStreamSocket();
    if (probe < 0) {
        const int error = errno;
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        return failure(error, QString());
    }
    if (answersAt(probe, *address)) {
        ::close(descriptor);
        return failure(EADDRINUSE, QStringLiteral("another server answers there"));
    }
    ::unlink(m_path.constData());
    struct stat file {};
    if (const int error = bindAndListen(descriptor, *address, file); error != 0) {
        ::close(descriptor);
        return failure(error, QString());
    }
    m_descriptor = descriptor;
    m_fileDevice = file.st_dev;
    m_fileInode = file.st_ino;
    m_notifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StatusSocket::acceptClients);
    return std::nullopt;
}

void StatusSocket::acceptClients() {
    for (int accepted = 0; accepted < kAcceptsPerWakeUp; ++accepted) {
        const int client = ::accept4(m_descriptor, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client >= 0) {
            accept(client);
        } else if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            m_notifier->setEnabled(false);
            m_resume.start(kResumeAfterExhaustion);
            return;
        } else if (errno != EINTR && errno != ECONNABORTED) {
            return; // no more waiting
        }
    }
}

// A client of another user, or one past the limit, is closed at once unanswered.
void StatusSocket::accept(int client) {
    if (m_clients >= kMaxClients || !isOwnUserOrRoot(client)) {
        ::close(client);
        return;
    }
    ++m_clients;
    auto* connection = new StatusConnection(client, m_answer, this);
    connect(connection, &StatusConnection::finished, this, [this] { --m_clients; });
}

// The description names the path, then why: the given words, or the system's for the number.
ErrorRecord StatusSocket::failure(int error, const QString& why) const {
    const QString reason = why.isEmpty() ? QString::fromStdString(std::generic_category().message(error)) : why;
    return ErrorRecord{error, (QFile::decodeName(m_path) + QStringLiteral(": ") + reason).toStdString(),
                       "StatusSocket.listen"};
}
