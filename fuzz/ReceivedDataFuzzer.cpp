// Bytes a station sends over real loopback, taken out of a connected socket object with any
// kind and length: every byte comes out once and in order, and nothing is read beyond them.
// Input: kind selector (1 byte), maxLen (4 bytes, little-endian), then the bytes to send.
#include "CSocket.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <QCoreApplication>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

using testing_support::LoopbackPeer;
using testing_support::waitUntil;

constexpr std::array<std::int32_t, 4> kKinds = {VariantType::kString, VariantType::kByteArray, VariantType::kLong,
                                                VariantType::kDouble};

// One listener and, per input, a fresh object accepting the connection, so that no running
// total carries over from one input to the next.
struct Harness : CSocketEvents {
    Harness() {
        listener->setListener(this);
        listener->Listen();
        winsock::SocketAddressIn address;
        winsock::getSockName(listener->SocketHandle(), address);
        port = winsock::networkToHost16(address.port);
    }
    void OnConnectionRequest(std::int32_t requestID) override {
        connection = CSocket::create();
        connection->Accept(requestID);
    }

    std::shared_ptr<CSocket> listener = CSocket::create();
    std::shared_ptr<CSocket> connection;
    std::uint16_t port = 0;
};

Harness* g_harness = nullptr;

std::string takeAll(CSocket& socket, std::int32_t kind, std::int32_t maxLen) {
    std::string taken;
    while (socket.BytesReceived() > 0) {
        Variant value;
        socket.GetData(value, kind, maxLen);
        if (kind == VariantType::kString) {
            taken += std::get<std::string>(value);
        }
    }
    return taken;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    g_harness = new Harness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size <= 5) {
        return 0;
    }
    const std::int32_t kind = kKinds[data[0] % kKinds.size()];
    std::int32_t maxLen = 0;
    std::memcpy(&maxLen, data + 1, sizeof(maxLen));
    const std::string bytes(reinterpret_cast<const char*>(data + 5), size - 5);

    g_harness->connection.reset();
    auto station = LoopbackPeer::connectTo(g_harness->port);
    if (!station || !waitUntil([&] { return g_harness->connection != nullptr; }) || !station->send(bytes) ||
        !waitUntil([&] { return g_harness->connection->BytesReceived() == static_cast<std::int32_t>(bytes.size()); })) {
        std::abort(); // the connection or the bytes never arrived
    }
    const std::string taken = takeAll(*g_harness->connection, kind, maxLen);
    if (kind == VariantType::kString && taken != bytes) {
        std::abort();
    }
    return 0;
}
