// The receive thread: the only reader of the controller's HID interface. It hands every
// report to the GUI thread through the link's one-slot mailbox, reports read errors and
// unplugging, and reopens the controller by itself after an unplug.
#pragma once
#include <QThread>

class c_thrrcv : public QThread {
public:
    explicit c_thrrcv(QObject* parent = nullptr);
    // Stops the loop and waits for it, so the thread never outlives its object.
    ~c_thrrcv() override;
    // Ends the receive loop and waits for the thread; it may be started again afterwards.
    void stop_and_wait();

protected:
    void run() override;
};
