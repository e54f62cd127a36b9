#pragma once

namespace ostrilo::platform {

// A later round of work for a backlog whose window message spent its budget. The round
// comes after the messages already waiting (a tick, painting, input, a service request),
// so none of them waits behind the backlog.
class WorkRounds {
public:
    virtual ~WorkRounds() = default;
    // Asks for one more round soon; asking again before it has come changes nothing.
    virtual void RequestRound() = 0;
};

}  // namespace ostrilo::platform
