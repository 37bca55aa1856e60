#pragma once

#include "CSocket.h"

#include <functional>
#include <string>
#include <vector>

// Records every event a socket object raises, in order, and optionally runs a
// reaction inside the handler (the way an owner calls back into the object).
class RecordingListener : public CSocketEvents {
public:
    struct ErrorEvent {
        std::int16_t number;
        std::string description;
        std::string source;
    };

    std::vector<std::string> events;
    std::vector<std::int32_t> connectionRequests;
    std::vector<std::int32_t> arrivals;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    std::vector<ErrorEvent> errors;
    std::function<void(std::int32_t)> onConnectionRequest;
    std::function<void()> onSendComplete;

    int count(const std::string& name) const {
        int n = 0;
        for (const auto& event : events) {
            n += event == name ? 1 : 0;
        }
        return n;
    }

    void OnClose() override { events.push_back("Close"); }
    void OnConnect() override { events.push_back("Connect"); }
    void OnConnectionRequest(std::int32_t requestID) override {
        events.push_back("ConnectionRequest");
        connectionRequests.push_back(requestID);
        if (onConnectionRequest) {
            onConnectionRequest(requestID);
        }
    }
    void OnDataArrival(std::int32_t bytesTotal) override {
        events.push_back("DataArrival");
        arrivals.push_back(bytesTotal);
    }
    void OnError(std::int16_t Number, std::string& Description, std::int32_t, const std::string& Source,
                 const std::string&, std::int32_t, bool&) override {
        events.push_back("Error");
        errors.push_back({Number, Description, Source});
    }
    void OnSendComplete() override {
        events.push_back("SendComplete");
        if (onSendComplete) {
            onSendComplete();
        }
    }
    void OnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) override {
        events.push_back("SendProgress");
        progress.emplace_back(bytesSent, bytesRemaining);
    }
};
