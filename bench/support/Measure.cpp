#include "bench/support/Measure.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <numeric>

namespace pelmar::bench {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double mean(const std::vector<double>& v)
{
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

BlockWatch::BlockWatch()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
}

void BlockWatch::start()
{
    m_last = Clock::now();
    m_timer.start();
}

void BlockWatch::stop()
{
    tick();
    m_timer.stop();
}

void BlockWatch::tick()
{
    const auto now = Clock::now();
    m_longest = std::max(m_longest, std::chrono::duration<double, std::milli>(now - m_last).count());
    m_last = now;
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

} // namespace pelmar::bench
