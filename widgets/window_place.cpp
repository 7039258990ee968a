#include "widgets/window_place.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Lives as a child of the window until it has put the window back once, or for a second.
class place_keeper : public QObject {
public:
    place_keeper(QWidget* window, QPoint frame_pos) : QObject(window), window_(window), pos_(frame_pos)
    {
        window->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { deleteLater(); });
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == window_ && e->type() == QEvent::Move && window_->isVisible() && window_->pos() != pos_ &&
            !done_) {
            done_ = true;
            window_->removeEventFilter(this);
            // Outside the move event itself: the window system's placement is then complete.
            QTimer::singleShot(0, window_, [w = QPointer<QWidget>(window_), p = pos_] {
                if (w)
                    w->move(p);
            });
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QPoint pos_;
    bool done_ = false;
};

}  // namespace

void place_where_it_stood(QWidget* window, QPoint frame_pos)
{
    // A maximised or full-screen window stands where its state puts it.
    if (!window || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    window->move(frame_pos);
    new place_keeper(window, frame_pos);
}

void show_where_it_stood(QWidget* window, QPoint frame_pos)
{
    if (!window)
        return;
    place_where_it_stood(window, frame_pos);
    window->show();
}
