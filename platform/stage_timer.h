#pragma once
// Start-up stage timings (`vorland --timings`): the layers mark where their
// stages begin and end; the viewer prints the table once the first frame is
// on screen. Costs one relaxed load per span while off, and records nothing
// after Finish, so marks may sit in code that runs every time (an import).
#include <string>

namespace stage_timer {

// Starts recording; the first stage, from the process's start to this
// call, is the loading of the program and its libraries.
void Enable();
bool Enabled();

// Wall and CPU time of the calling thread from construction to destruction,
// added to the stage `name` (a string literal): a stage that runs several
// times or on several threads shows its first start, last end and the sums.
class Span {
public:
    explicit Span(const char* name);
    ~Span();
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

private:
    const char* name_;
    double wall_ = -1.0, cpu_ = 0.0;
};

// The table, closed by a line from the process's start to now with the
// process's CPU time, once; recording stops. Empty when recording was off or
// has stopped already.
std::string Finish();

}  // namespace stage_timer
