#pragma once

#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace pelmar::bench {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v);
double mean(const std::vector<double>& v);
double msSince(Clock::time_point start);

// The longest gap between the ticks of a 1 ms timer: how long the event
// loop could not run (a handler, a paint, a decode on this thread).
class BlockWatch
{
public:
    BlockWatch();
    void start();
    void stop();
    double longest() const { return m_longest; }

private:
    void tick();
    QTimer m_timer;
    Clock::time_point m_last;
    double m_longest = 0;
};

// Runs the event loop for ms milliseconds.
void runFor(int ms);

// Runs the event loop until done() or the time is up; false when it was up.
bool waitFor(const std::function<bool()>& done, int ms);

} // namespace pelmar::bench
