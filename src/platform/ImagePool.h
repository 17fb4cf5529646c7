#pragma once
// Qt's shared thread pool, on which its image scaling, conversions and
// large paints are split and waited for, at the process's own priority.

namespace tessarin {

// Makes every thread of Qt's shared pool now, on the calling thread (the
// main thread, before any other), and keeps them for the life of the
// process. A thread takes its maker's priority, and the pool otherwise
// makes a thread when one is needed and no idle one is left: made by a
// thread that analyses files at the lowest priority, it kept that priority,
// and the interface's paints, which wait for the pool's threads, waited
// behind every busy process.
void prepareImagePool();

} // namespace tessarin
