#pragma once

#include <memory>
#include <vector>

class TimeService;

// What follows the service's life beside the log, the window and the status socket, where the
// system has it: told once the port accepts, and again on the way out.
class ServerCompanion {
public:
    virtual ~ServerCompanion() = default;
    virtual void ready() = 0;
    virtual void stopping() = 0;
};

// This system's companions of the service; the build chooses the list.
std::vector<std::unique_ptr<ServerCompanion>> makeServerCompanions(TimeService& service);
