#include "mainwindow/ButtonIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace sorvane {
namespace {

constexpr int kSide = 32; // drawn at this size; the icon scales it down

void Draw(QPainter& p, Glyph glyph) {
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case Glyph::Cut: {
        p.setPen(QPen(ink, 2.5));
        p.drawLine(QPointF(9, 3), QPointF(21, 21));
        p.drawLine(QPointF(23, 3), QPointF(11, 21));
        p.drawEllipse(QPointF(9, 25), 4.5, 4.5);
        p.drawEllipse(QPointF(23, 25), 4.5, 4.5);
        break;
    }
    case Glyph::Paste:
    case Glyph::PasteTop: {
        const bool top = glyph == Glyph::PasteTop;
        const QRectF board = top ? QRectF(9, 11, 18, 19) : QRectF(6, 6, 20, 24);
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(200, 160, 90));
        p.drawRoundedRect(board, 2, 2);
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(board.adjusted(4, 5, -4, -3));
        p.setBrush(ink);
        p.drawRect(QRectF(board.center().x() - 4, board.top() - 2, 8, 4));
        if (top) {
            p.setPen(QPen(QColor(30, 90, 200), 2.5));
            p.drawLine(QPointF(5, 24), QPointF(5, 3));
            p.drawLine(QPointF(5, 3), QPointF(1, 8));
            p.drawLine(QPointF(5, 3), QPointF(9, 8));
        }
        break;
    }
    case Glyph::Print: {
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(150, 150, 150));
        p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(9, 20, 14, 9));
        break;
    }
    case Glyph::Colours: {
        p.setPen(QPen(ink, 1.5));
        const QColor colours[] = {QColor(220, 40, 40), QColor(40, 160, 40), QColor(40, 80, 220),
                                  QColor(230, 200, 30)};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawRect(QRectF(3 + (i % 2) * 14, 3 + (i / 2) * 14, 12, 12));
        }
        break;
    }
    case Glyph::FlagEnglish: {
        const QRectF flag(1, 6, 30, 20);
        p.fillRect(flag, QColor(1, 33, 105));
        p.setClipRect(flag);
        p.setPen(QPen(Qt::white, 5));
        p.drawLine(flag.topLeft(), flag.bottomRight());
        p.drawLine(flag.bottomLeft(), flag.topRight());
        p.setPen(QPen(QColor(200, 16, 46), 2));
        p.drawLine(flag.topLeft(), flag.bottomRight());
        p.drawLine(flag.bottomLeft(), flag.topRight());
        p.fillRect(QRectF(flag.center().x() - 4, flag.top(), 8, flag.height()), Qt::white);
        p.fillRect(QRectF(flag.left(), flag.center().y() - 4, flag.width(), 8), Qt::white);
        p.fillRect(QRectF(flag.center().x() - 2, flag.top(), 4, flag.height()),
                   QColor(200, 16, 46));
        p.fillRect(QRectF(flag.left(), flag.center().y() - 2, flag.width(), 4),
                   QColor(200, 16, 46));
        break;
    }
    case Glyph::FlagSpanish: {
        p.fillRect(QRectF(1, 6, 30, 5), QColor(170, 21, 27));
        p.fillRect(QRectF(1, 11, 30, 10), QColor(241, 191, 0));
        p.fillRect(QRectF(1, 21, 30, 5), QColor(170, 21, 27));
        break;
    }
    }
}

} // namespace

QIcon IconoTema(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(name, QApplication::style()->standardIcon(fallback));
}

QIcon IconoPropio(Glyph glyph) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Draw(painter, glyph);
    painter.end();
    return QIcon(pixmap);
}

QIcon IconoTema(const char* name, Glyph fallback) {
    return QIcon::fromTheme(name, IconoPropio(fallback));
}

} // namespace sorvane
