// Draws the start-page picture (778 x 582) of the main window. The picture is committed; build
// and run this again only to change it:
//   g++ -fPIC make_start_page.cpp $(pkg-config --cflags --libs Qt5Gui) -o /tmp/msp
//   QT_QPA_PLATFORM=offscreen /tmp/msp start_page.png
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QImage img(778, 582, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient bg(0, 0, 778, 582);
    bg.setColorAt(0, QColor(0x1d, 0x35, 0x57));
    bg.setColorAt(1, QColor(0x45, 0x7b, 0x9d));
    p.fillRect(img.rect(), bg);

    // A spindle with a drill, and the light barrier of the controller watching its tip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xa8, 0xda, 0xdc));
    p.drawRoundedRect(QRectF(70, 210, 150, 90), 10, 10);
    p.setBrush(QColor(0xf1, 0xfa, 0xee));
    p.drawRect(QRectF(220, 238, 40, 34));
    QPainterPath drill;
    drill.moveTo(260, 243);
    drill.lineTo(520, 243);
    drill.lineTo(560, 255);
    drill.lineTo(520, 267);
    drill.lineTo(260, 267);
    drill.closeSubpath();
    p.drawPath(drill);
    p.setPen(QPen(QColor(0x1d, 0x35, 0x57), 3));
    for (int x = 290; x < 510; x += 28)
        p.drawLine(x, 243, x + 18, 267);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe6, 0x39, 0x46));
    p.drawEllipse(QPointF(560, 150), 12, 12);
    p.setPen(QPen(QColor(0xe6, 0x39, 0x46), 2, Qt::DashLine));
    p.drawLine(QPointF(560, 162), QPointF(560, 370));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf1, 0xfa, 0xee));
    p.drawRect(QRectF(545, 370, 30, 16));

    p.setPen(QColor(0xf1, 0xfa, 0xee));
    QFont title(QStringLiteral("DejaVu Sans"), 60, QFont::Bold);
    p.setFont(title);
    p.drawText(QPointF(70, 150), QStringLiteral("Tarvix"));
    QFont sub(QStringLiteral("DejaVu Sans"), 22);
    p.setFont(sub);
    p.drawText(QPointF(72, 450), QStringLiteral("System Setup"));
    p.setPen(QColor(0xa8, 0xda, 0xdc));
    QFont small(QStringLiteral("DejaVu Sans"), 14);
    p.setFont(small);
    p.drawText(QPointF(72, 485), QStringLiteral("Tool monitoring: configuration and updates"));
    p.end();
    return img.save(QString::fromLocal8Bit(argc > 1 ? argv[1] : "start_page.png")) ? 0 : 1;
}
