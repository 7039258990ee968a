// Keeps TarvixStudio to one running instance per machine: the instance that manages to create
// a small named shared-memory segment may run; a named system semaphore serialises the
// attach, create and detach between processes that start at the same moment.
#pragma once
#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// The lower-case hexadecimal SHA-1 of the UTF-8 bytes of `key` followed by those of `suffix`.
QString run_guard_key(const QString& key, const QString& suffix);

class c_run_guard {
public:
    explicit c_run_guard(const QString& key);
    ~c_run_guard();
    c_run_guard(const c_run_guard&) = delete;
    c_run_guard& operator=(const c_run_guard&) = delete;

    // True when this instance may run; it then holds the segment until release().
    bool try_to_run();
    void release();

    const QString& memory_lock_key() const { return memLockKey_; }
    const QString& shared_memory_key() const { return sharedmemKey_; }

private:
    // Another process holds the segment right now.
    bool another_is_running();

    const QString key_;
    const QString memLockKey_;
    const QString sharedmemKey_;
    QSharedMemory sharedMem_;
    QSystemSemaphore memLock_;
};
