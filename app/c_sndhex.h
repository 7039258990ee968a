// The downloader runner: one thread that starts flashcli with one command line, collects what
// it writes to its standard output and waits for its end within the start and end limits.
#pragma once
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <cstdint>

class QProcess;

// The limits of one run; tests shorten them.
struct sndhex_limits {
    int start_ms = 30000;   // the child must have started by then (run state 1)
    int end_ms = 120000;    // and ended by then (run state 2; it is ended then)
    int settle_ms = 100;    // pause after the end before the thread reports

    void reset() { *this = sndhex_limits(); }
};
sndhex_limits& g_sndhex_limits();

// Run states of get_result.
enum sndhex_run_state : int32_t { sndhex_ok = 0, sndhex_not_started = 1, sndhex_not_ended = 2 };

class c_sndhex : public QThread {
    Q_OBJECT
public:
    explicit c_sndhex(QObject* parent = nullptr);
    ~c_sndhex() override;

    // The whole command line of the next run: the program, then its arguments, split at
    // blanks outside double quotes.
    void set_command(const QString& command);
    // Copies the outcome of the last run out; true only when the child started, ended in
    // time and returned 0.
    bool get_result(int32_t& run_state, int32_t& exit_code, QString& error_text) const;
    // Takes the output chunks collected so far, oldest first.
    QList<QByteArray> take_output();

signals:
    void sndHexFinished(int procErrStateP, int exitCodeP, QString errStringP);
    void sndHexError(QString text, int code = 0);
    void sndHexOutput();

public slots:
    // Both run in the runner's thread, where the process lives.
    void readyRead();
    void on_finished(int exitCode);

protected:
    void run() override;

private:
    mutable QMutex chunkLock_;
    QList<QByteArray> chunks_;  // under chunkLock_
    QProcess* process_ = nullptr;  // the child of the run in progress
    QString command_;
    // Written by the runner's thread, read by the GUI thread after the thread has finished.
    QString errorText_;
    int32_t exitCode_ = 0;
    int32_t runState_ = sndhex_ok;
};
