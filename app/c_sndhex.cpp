#include "app/c_sndhex.h"

#include <QDebug>
#include <QMutexLocker>
#include <QProcess>

sndhex_limits& g_sndhex_limits()
{
    static sndhex_limits l;
    return l;
}

c_sndhex::c_sndhex(QObject* parent) : QThread(parent) {}

c_sndhex::~c_sndhex() { wait(); }

void c_sndhex::set_command(const QString& command) { command_ = command; }

bool c_sndhex::get_result(int32_t& run_state, int32_t& exit_code, QString& error_text) const
{
    run_state = runState_;
    exit_code = exitCode_;
    error_text = errorText_;
    return runState_ == sndhex_ok && exitCode_ == 0;
}

QList<QByteArray> c_sndhex::take_output()
{
    QMutexLocker lock(&chunkLock_);
    QList<QByteArray> out;
    out.swap(chunks_);
    return out;
}

void c_sndhex::readyRead()
{
    if (!process_)
        return;
    const QByteArray chunk = process_->readAllStandardOutput();
    if (chunk.isEmpty())
        return;
    qDebug("%s", chunk.constData());
    {
        QMutexLocker lock(&chunkLock_);
        chunks_.append(chunk);
    }
    emit sndHexOutput();
}

void c_sndhex::on_finished(int exitCode)
{
    qDebug("Slot on_finished exitCode: %d", exitCode);
    exitCode_ = exitCode;
}

void c_sndhex::run()
{
    const sndhex_limits limits = g_sndhex_limits();
    qDebug("c_sndhex Start-Cmd: %s", command_.toUtf8().constData());
    exitCode_ = 0;
    runState_ = sndhex_ok;
    errorText_.clear();

    // The process object lives and dies in this thread, so its notifications and the two
    // slots run here.
    QProcess process;
    process_ = &process;
    bool crashed = false;
    connect(&process, &QProcess::readyReadStandardOutput, this, &c_sndhex::readyRead, Qt::DirectConnection);
    connect(
        &process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
        [this, &crashed](int code, QProcess::ExitStatus status) {
            crashed = status == QProcess::CrashExit;
            on_finished(code);
        },
        Qt::DirectConnection);

    QStringList arguments = QProcess::splitCommand(command_);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(limits.start_ms)) {
        runState_ = sndhex_not_started;
        qDebug("c_sndhex Error P_ERRS_START");
    } else {
        // flashcli gets no input: a setting it would have to ask for ends it at once instead
        // of after the end limit.
        process.closeWriteChannel();
        if (!process.waitForFinished(limits.end_ms)) {
            runState_ = sndhex_not_ended;
            qDebug("c_sndhex Error P_ERRS_FINISHED");
            errorText_ = process.errorString();
            // A child left running would keep the controller's USB interface while the
            // program talks to it again, and a retry would start a second one beside it.
            process.kill();
            process.waitForFinished(5000);
            exitCode_ = 0;
        }
    }
    QThread::msleep(static_cast<unsigned long>(limits.settle_ms));
    if (runState_ == sndhex_not_started)
        errorText_ = process.errorString();
    else if (runState_ == sndhex_ok && crashed) {
        // A child ended by a signal has failed, whatever it printed.
        errorText_ = process.errorString();
        if (exitCode_ == 0)
            exitCode_ = 255;
    }
    // What is left unread after the end (the notification may not have come).
    readyRead();
    process.disconnect(this);
    process_ = nullptr;

    emit sndHexFinished(runState_, exitCode_, errorText_);
    qDebug("c_sndhex::run End");
}
