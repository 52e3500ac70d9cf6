// Draws Kovrin's 16x16 tab and tray pictures (each also at 32x32 as NAME@2x.png, which QIcon picks on a
// screen at scale 2) and the program icon into the folder given as the first argument. Built and run by
// scripts/make-icons; the PNGs it writes are committed under data/icons.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>
#include <initializer_list>

namespace {

using TDraw = std::function<void(QPainter&)>;

bool Save(const QString& folder, const QString& name, int size, const TDraw& draw, qreal designSize = 16) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / designSize, size / designSize);
    draw(painter);
    painter.end();
    const QString file = QDir(folder).filePath(name + ".png");
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

// A closed outline through Points, in order.
QPainterPath Outline(std::initializer_list<QPointF> Points) {
    QPainterPath path;
    path.moveTo(*Points.begin());
    for (auto point = Points.begin() + 1; point != Points.end(); ++point) {
        path.lineTo(*point);
    }
    path.closeSubpath();
    return path;
}

void Calendar(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(2, 3, 12, 3.5));
    p.setBrush(QColor(70, 70, 70));
    p.drawRect(QRectF(4, 1, 1.5, 3.5));
    p.drawRect(QRectF(10.5, 1, 1.5, 3.5));
    p.setBrush(QColor(120, 120, 120));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.drawRect(QRectF(3.5 + col * 2.5, 8 + row * 2, 1.5, 1.2));
        }
    }
}

void Table(QPainter& p) {
    p.setPen(QPen(QColor(60, 90, 140), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 130, 200));
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setPen(QPen(QColor(150, 170, 200), 1));
    p.drawLine(QPointF(2, 8.5), QPointF(14, 8.5));
    p.drawLine(QPointF(2, 11), QPointF(14, 11));
    p.drawLine(QPointF(6.5, 6), QPointF(6.5, 13.5));
    p.drawLine(QPointF(10.5, 6), QPointF(10.5, 13.5));
}

void RedClock(QPainter& p) {
    p.setPen(QPen(QColor(150, 20, 20), 1));
    p.setBrush(QColor(220, 50, 50));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 4.8, 4.8);
    p.setPen(QPen(QColor(40, 40, 40), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4.5));
    p.drawLine(QPointF(8, 8), QPointF(10.6, 9.3));
}

void Wrench(QPainter& p) {
    // Handle from bottom left to the head at the top right.
    p.setPen(QPen(QColor(70, 70, 80), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 13.5), QPointF(8.5, 7.5));
    p.setPen(QPen(QColor(170, 175, 185), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 13.5), QPointF(8.5, 7.5));
    // Head: a ring with a notch cut out towards the top right.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 80));
    QPainterPath head;
    head.addEllipse(QPointF(10.5, 5.5), 4.3, 4.3);
    QPainterPath notch;
    notch.moveTo(10.5, 5.5);
    notch.lineTo(16.5, 2.2);
    notch.lineTo(13.8, -0.5);
    notch.closeSubpath();
    notch.addEllipse(QPointF(10.5, 5.5), 1.3, 1.3);
    p.drawPath(head.subtracted(notch));
    QPainterPath inner;
    inner.addEllipse(QPointF(10.5, 5.5), 3.3, 3.3);
    p.setBrush(QColor(170, 175, 185));
    p.drawPath(inner.subtracted(notch));
}

void Help(QPainter& p) {
    p.setPen(QPen(QColor(30, 80, 160), 1));
    p.setBrush(QColor(60, 120, 210));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0.5, 16, 16), Qt::AlignCenter, "?");
}

// Two arrows over each other pointing opposite ways: swap the two sides.
void Swap(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 190));
    p.drawPath(Outline({{1.5, 4}, {10, 4}, {10, 1.5}, {14.5, 5}, {10, 8.5}, {10, 6}, {1.5, 6}}));
    p.setBrush(QColor(200, 120, 20));
    p.drawPath(Outline({{14.5, 10}, {6, 10}, {6, 7.5}, {1.5, 11}, {6, 14.5}, {6, 12}, {14.5, 12}}));
}

// A green arrow leaving a box: go to the exchanger's page.
void Exchange(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 4.5, 9, 10));
    p.setPen(QPen(QColor(30, 140, 60), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(5, 11), QPointF(13, 3));
    p.setBrush(QColor(30, 140, 60));
    p.setPen(Qt::NoPen);
    p.drawPath(Outline({{15, 1}, {15, 7.5}, {8.5, 1}}));
}

// A circular arrow: fetch the feeds again.
void Refresh(QPainter& p) {
    p.setPen(QPen(QColor(30, 140, 60), 2.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 140, 60));
    p.drawPath(Outline({{6.2, 0.2}, {10.8, 2.8}, {6.4, 6.2}}));
}

// The program's mark: two arrows passing each other on a green tile, the exchange of one currency for
// another.
void Mark(QPainter& p) {
    p.setPen(Qt::NoPen);
    QLinearGradient fill(0, 0, 0, 16);
    fill.setColorAt(0, QColor(46, 160, 110));
    fill.setColorAt(1, QColor(20, 110, 75));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setBrush(Qt::white);
    p.drawPath(Outline({{2.5, 4.5}, {10, 4.5}, {10, 2}, {14, 5.75}, {10, 9.5}, {10, 7}, {2.5, 7}}));
    p.setBrush(QColor(255, 215, 80));
    p.drawPath(Outline({{13.5, 9}, {6, 9}, {6, 6.5}, {2, 10.25}, {6, 14}, {6, 11.5}, {13.5, 11.5}}));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-icons OUTPUT-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const auto picture = [&](const QString& name, const TDraw& draw) {
        return Save(folder, name, 16, draw) && Save(folder, name + "@2x", 32, draw);
    };
    bool ok = picture("date", Calendar) && picture("table", Table) && picture("clock_red", RedClock) &&
              picture("wrench", Wrench) && picture("help", Help) && picture("16x16", Mark) &&
              picture("swap", Swap) && picture("exchange", Exchange) && picture("refresh", Refresh);
    for (int size : {16, 32, 48, 256}) {
        ok = ok && Save(folder, QString("kovrin-%1").arg(size), size, Mark);
    }
    return ok ? 0 : 1;
}
