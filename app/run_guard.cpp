#include "app/run_guard.h"

#include <QCryptographicHash>

QString run_guard_key(const QString& key, const QString& suffix)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(key.toUtf8());
    hash.addData(suffix.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

c_run_guard::c_run_guard(const QString& key)
    : key_(key),
      memLockKey_(run_guard_key(key, QStringLiteral("_memLockKey"))),
      sharedmemKey_(run_guard_key(key, QStringLiteral("_sharedmemKey"))),
      sharedMem_(sharedmemKey_),
      memLock_(memLockKey_, 1, QSystemSemaphore::Open)
{
    // On Unix a segment outlives a crashed holder; attaching and destroying a handle of our
    // own drops it again when no running process holds it. Done under the semaphore, so that
    // the short-lived handle (and the lock Qt keeps for it) never comes and goes in the middle
    // of another instance's create or attach.
    memLock_.acquire();
    {
        QSharedMemory fix(sharedmemKey_);
        fix.attach();
    }
    memLock_.release();
}

c_run_guard::~c_run_guard() { release(); }

bool c_run_guard::another_is_running()
{
    if (sharedMem_.isAttached())
        return false;
    memLock_.acquire();
    const bool attached = sharedMem_.attach();
    if (attached)
        sharedMem_.detach();
    memLock_.release();
    return attached;
}

bool c_run_guard::try_to_run()
{
    if (another_is_running())
        return false;
    memLock_.acquire();
    bool created = sharedMem_.create(8);
    if (!created && sharedMem_.error() == QSharedMemory::AlreadyExists) {
        // A segment left by a killed instance can sit under our key even when its key file is
        // gone (the key is derived from the file's inode, which a new file may reuse). Attaching
        // and detaching removes it when nobody else holds it; a running instance keeps it.
        if (sharedMem_.attach())
            sharedMem_.detach();
        created = sharedMem_.create(8);
    }
    memLock_.release();
    if (!created) {
        // Another instance is the usual reason; anything else is worth a trace.
        if (sharedMem_.error() != QSharedMemory::AlreadyExists)
            qWarning("single-instance guard: %s", qPrintable(sharedMem_.errorString()));
        release();
        return false;
    }
    return true;
}

void c_run_guard::release()
{
    memLock_.acquire();
    if (sharedMem_.isAttached())
        sharedMem_.detach();
    memLock_.release();
}
