#pragma once
// A QApplication that accounts for the main thread's work by handler: every
// event the main thread delivers (a timer, a queued call, a paint, a layout,
// a window update) is timed on the thread's own CPU clock, so the figures do
// not depend on how loaded the machine is. Nested deliveries (a paint inside
// a window update) are charged to the innermost handler ("self") and to each
// enclosing one ("incl."). Header only, for the benchmarks.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tessarin::bench {

// Seconds of CPU the calling thread has used.
inline double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// CPU seconds of each of the process's live threads, summed by thread name.
inline std::map<std::string, double> threadsCpu()
{
    std::map<std::string, double> byName;
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return byName;
    const double tick = double(sysconf(_SC_CLK_TCK));
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::stod(field);
            if (i == 15)
                stime = std::stod(field);
        }
        byName[name] += (utime + stime) / tick;
    }
    closedir(dir);
    return byName;
}

// Prints the CPU each thread name used between two threadsCpu() readings.
inline void reportThreads(const char* title, const std::map<std::string, double>& before,
                          const std::map<std::string, double>& after, double wallSeconds)
{
    std::vector<std::pair<std::string, double>> used;
    for (const auto& [name, cpu] : after) {
        auto it = before.find(name);
        const double d = cpu - (it == before.end() ? 0.0 : it->second);
        if (d > 0.0)
            used.push_back({name, d});
    }
    std::sort(used.begin(), used.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::printf("%s, CPU by thread (ms per second):", title);
    for (const auto& [name, d] : used)
        std::printf(" %s %.0f;", name.c_str(), 1000.0 * d / wallSeconds);
    std::printf("\n");
}

class ProfiledApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct Handler {
        long count = 0;
        double self = 0.0, inclusive = 0.0, longest = 0.0;
    };

    static ProfiledApplication& instance() { return *static_cast<ProfiledApplication*>(qApp); }

    // Forgets what was counted and starts a measure of the main thread now.
    void startMeasure()
    {
        handlers_.clear();
        total_ = 0.0;
        resumeMeasure();
    }
    // Ends the measure (or pauses it: resumeMeasure() adds to it); the main
    // thread's CPU seconds measured so far.
    double stopMeasure()
    {
        if (measuring_)
            total_ += threadCpuSeconds() - started_;
        measuring_ = false;
        return total_;
    }
    void resumeMeasure()
    {
        measuring_ = true;
        started_ = threadCpuSeconds();
    }
    double measuredCpu() const { return total_; }

    const Handler* handler(const std::string& name) const
    {
        auto it = handlers_.find(name);
        return it == handlers_.end() ? nullptr : &it->second;
    }
    // The handlers whose name starts with prefix, summed.
    Handler sum(const std::string& prefix) const
    {
        Handler total;
        for (const auto& [name, h] : handlers_) {
            if (name.rfind(prefix, 0) != 0)
                continue;
            total.count += h.count;
            total.self += h.self;
            total.inclusive += h.inclusive;
            total.longest = std::max(total.longest, h.longest);
        }
        return total;
    }

    // The measured handlers by their own time, per second of the measure.
    void report(double wallSeconds, int rows = 18) const
    {
        const double cpu = measuredCpu();
        std::printf("main thread CPU (its own clock): %.3f s in %.1f s = %.1f ms per second\n", cpu, wallSeconds,
                    1000.0 * cpu / wallSeconds);
        std::vector<std::pair<std::string, Handler>> sorted(handlers_.begin(), handlers_.end());
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.second.self > b.second.self; });
        double delivered = 0.0;
        for (const auto& [name, h] : sorted)
            delivered += h.self;
        std::printf("  %-58s %7s %9s %9s %9s %8s\n", "handler", "per s", "self ms/s", "incl ms/s", "mean us",
                    "max ms");
        int shown = 0;
        for (const auto& [name, h] : sorted) {
            if (shown++ >= rows)
                break;
            std::printf("  %-58s %7.1f %9.2f %9.2f %9.1f %8.2f\n", name.c_str(), h.count / wallSeconds,
                        1000.0 * h.self / wallSeconds, 1000.0 * h.inclusive / wallSeconds,
                        h.count ? 1e6 * h.inclusive / h.count : 0.0, 1000.0 * h.longest);
        }
        std::printf("  %-58s %7s %9.2f\n", "(outside any event: event loop, window system)", "",
                    1000.0 * (cpu - delivered) / wallSeconds);
        const Handler paints = sum("paint ");
        const Handler layouts = sum("layout ");
        std::printf("  repaints: %.1f widgets per second, %.2f ms/s; layouts: %.1f per second, %.2f ms/s\n",
                    paints.count / wallSeconds, 1000.0 * paints.self / wallSeconds, layouts.count / wallSeconds,
                    1000.0 * layouts.inclusive / wallSeconds);
    }

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!measuring_ || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        std::string name = nameOf(receiver, event);
        stack_.push_back({threadCpuSeconds(), 0.0});
        const bool result = QApplication::notify(receiver, event);
        const Frame frame = stack_.back();
        stack_.pop_back();
        const double spent = threadCpuSeconds() - frame.start;
        if (!stack_.empty())
            stack_.back().children += spent;
        if (measuring_) {
            Handler& h = handlers_[name];
            ++h.count;
            h.inclusive += spent;
            h.self += spent - frame.children;
            h.longest = std::max(h.longest, spent);
        }
        return result;
    }

    // A stable name for what handles event at receiver (taken before the
    // delivery, which may delete the receiver).
    std::string nameOf(QObject* receiver, QEvent* event)
    {
        const char* cls = receiver ? receiver->metaObject()->className() : "?";
        switch (event->type()) {
        case QEvent::Timer:
            if (auto* timer = qobject_cast<QTimer*>(receiver)) {
                const QObject* parent = timer->parent();
                if (parent)
                    return "timer " + std::to_string(timer->interval()) + " ms of " + parent->metaObject()->className();
                // The clock's timers have no parent: told apart by the order they first fired in.
                auto [it, added] = timerNumbers_.try_emplace(timer, int(timerNumbers_.size()) + 1);
                return "timer " + std::to_string(timer->interval()) + " ms #" + std::to_string(it->second);
            }
            return std::string("timer event ") + cls;
        case QEvent::MetaCall:
            return std::string("queued call ") + cls;
        case QEvent::Paint:
            return std::string("paint ") + cls;
        case QEvent::UpdateRequest:
            return std::string("window update ") + cls;
        case QEvent::LayoutRequest: {
            // A plain container is told apart by the nearest ancestor of a class of its own.
            std::string name = std::string("layout ") + cls;
            if (std::string(cls) == "QWidget") {
                for (const QObject* up = receiver->parent(); up; up = up->parent()) {
                    if (std::string(up->metaObject()->className()) != "QWidget") {
                        name += std::string(" in ") + up->metaObject()->className();
                        if (qobject_cast<const QAbstractScrollArea*>(up) && up->parent())
                            name += std::string(" of ") + up->parent()->metaObject()->className();
                        break;
                    }
                }
            }
            return name;
        }
        default:
            return std::string("event ") + std::to_string(int(event->type())) + " " + cls;
        }
    }

private:
    struct Frame {
        double start, children;
    };
    bool measuring_ = false;
    double started_ = 0.0, total_ = 0.0;
    std::vector<Frame> stack_;
    std::map<std::string, Handler> handlers_;
    std::map<const QTimer*, int> timerNumbers_;
};

} // namespace tessarin::bench
