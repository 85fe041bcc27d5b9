#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace corvala {
namespace {

const QColor kChamberColour[3] = {QColor(220, 30, 30), QColor(30, 170, 50), QColor(40, 80, 220)};
const char* const kChamberNumeral[3] = {"I", "II", "III"};

void CrossOut(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(20, 20, 20), std::max(1.5, r.width() / 12.0)));
  p.drawLine(r.topLeft() + QPointF(2, 2), r.bottomRight() - QPointF(2, 2));
  p.drawLine(r.topRight() + QPointF(-2, 2), r.bottomLeft() + QPointF(2, -2));
}

void Numeral(QPainter& p, const QRectF& r, int chamber, bool crossed, bool small) {
  p.setBrush(small ? Qt::white : kChamberColour[chamber]);
  p.setPen(QPen(small ? kChamberColour[chamber] : QColor(60, 60, 60), small ? 2 : 1));
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
  QFont font("DejaVu Sans");
  font.setBold(true);
  font.setPixelSize(static_cast<int>(r.height() * 0.55));
  p.setFont(font);
  p.setPen(small ? kChamberColour[chamber] : Qt::white);
  p.drawText(r, Qt::AlignCenter, kChamberNumeral[chamber]);
  if (crossed) CrossOut(p, r);
}

void Floppy(QPainter& p, const QRectF& r) {
  const QRectF body =
      r.adjusted(r.width() * 0.12, r.height() * 0.12, -r.width() * 0.12, -r.height() * 0.12);
  p.setPen(QPen(QColor(20, 40, 90), 1));
  p.setBrush(QColor(40, 70, 150));
  p.drawRect(body);
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(body.left() + body.width() * 0.25, body.top(), body.width() * 0.5,
                    body.height() * 0.35));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(body.left() + body.width() * 0.15, body.top() + body.height() * 0.55,
                    body.width() * 0.7, body.height() * 0.45));
}

void Folder(QPainter& p, const QRectF& r) {
  QPainterPath path;
  const double l = r.left() + r.width() * 0.1, t = r.top() + r.height() * 0.25;
  const double w = r.width() * 0.8, h = r.height() * 0.6;
  path.moveTo(l, t + h);
  path.lineTo(l, t);
  path.lineTo(l + w * 0.35, t);
  path.lineTo(l + w * 0.45, t + h * 0.15);
  path.lineTo(l + w, t + h * 0.15);
  path.lineTo(l + w, t + h);
  path.closeSubpath();
  p.setPen(QPen(QColor(140, 100, 20), 1));
  p.setBrush(QColor(240, 200, 80));
  p.drawPath(path);
}

void Table(QPainter& p, const QRectF& r, int rows, int markedRow) {
  const QRectF t =
      r.adjusted(r.width() * 0.12, r.height() * 0.15, -r.width() * 0.12, -r.height() * 0.15);
  p.setPen(QPen(QColor(50, 50, 50), 1));
  p.setBrush(Qt::white);
  p.drawRect(t);
  const double rowH = t.height() / rows;
  if (markedRow >= 0)
    p.fillRect(QRectF(t.left(), t.top() + rowH * markedRow, t.width(), rowH), QColor(60, 120, 220));
  for (int i = 1; i < rows; ++i)
    p.drawLine(QPointF(t.left(), t.top() + rowH * i), QPointF(t.right(), t.top() + rowH * i));
  p.drawLine(QPointF(t.left() + t.width() / 3, t.top()),
             QPointF(t.left() + t.width() / 3, t.bottom()));
}

void Curves(QPainter& p, const QRectF& r) {
  const QRectF c =
      r.adjusted(r.width() * 0.1, r.height() * 0.1, -r.width() * 0.1, -r.height() * 0.12);
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(c.bottomLeft(), c.topLeft());
  p.drawLine(c.bottomLeft(), c.bottomRight());
  for (int k = 0; k < 3; ++k) {
    QPainterPath path;
    for (int i = 0; i <= 10; ++i) {
      const double x = c.left() + c.width() * i / 10.0;
      const double y = c.bottom() - c.height() * (0.25 + 0.2 * k +
                                                  0.15 * ((i % 4) < 2 ? i % 4 : 4 - i % 4) / 2.0);
      i == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
    }
    p.setPen(QPen(kChamberColour[k], 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
}

void TrafficLight(QPainter& p, const QRectF& r, int lit) {
  const QRectF box(r.center().x() - r.height() * 0.22, r.top() + 1, r.height() * 0.44,
                   r.height() - 2);
  p.setPen(QPen(QColor(30, 30, 30), 1));
  p.setBrush(QColor(60, 60, 60));
  p.drawRoundedRect(box, 3, 3);
  const QColor on[3] = {QColor(240, 30, 30), QColor(250, 210, 30), QColor(40, 210, 60)};
  for (int i = 0; i < 3; ++i) {
    const double d = box.height() / 3.6;
    const QRectF lamp(box.center().x() - d / 2, box.top() + box.height() * (0.06 + i * 0.31), d, d);
    p.setBrush(i == lit ? on[i] : QColor(100, 100, 100));
    p.drawEllipse(lamp);
  }
}

void Computer(QPainter& p, const QRectF& r, bool lost) {
  const QRectF screen(r.left() + r.width() * 0.22, r.top() + r.height() * 0.15, r.width() * 0.56,
                      r.height() * 0.45);
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(200, 220, 240));
  p.drawRect(screen);
  p.setBrush(QColor(150, 150, 150));
  p.drawRect(QRectF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.68, r.width() * 0.4,
                    r.height() * 0.12));
  if (lost) {
    const QRectF sign(r.center().x() - r.height() * 0.3, r.center().y() - r.height() * 0.3,
                      r.height() * 0.6, r.height() * 0.6);
    p.setPen(QPen(QColor(220, 20, 20), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(sign);
    p.drawLine(sign.topLeft() + QPointF(sign.width() * 0.15, sign.height() * 0.15),
               sign.bottomRight() - QPointF(sign.width() * 0.15, sign.height() * 0.15));
  } else {
    p.setPen(QPen(QColor(30, 160, 50), 2));
    p.drawLine(QPointF(screen.left() + 3, screen.center().y()),
               QPointF(screen.right() - 3, screen.center().y()));
  }
}

void Bulb(QPainter& p, const QRectF& r) {
  const double d = std::min(r.width(), r.height()) * 0.6;
  const QRectF glass(r.center().x() - d / 2, r.top() + r.height() * 0.08, d, d);
  p.setPen(QPen(QColor(150, 120, 0), 1));
  p.setBrush(QColor(255, 230, 60));
  p.drawEllipse(glass);
  p.setBrush(QColor(130, 130, 130));
  p.drawRect(QRectF(r.center().x() - d / 4, glass.bottom() - 1, d / 2, r.height() * 0.22));
}

void PlusMinus(QPainter& p, const QRectF& r, bool plus) {
  p.setPen(QPen(QColor(20, 20, 20), std::max(2.0, r.height() / 7)));
  const double m = std::min(r.width(), r.height()) * 0.28;
  p.drawLine(QPointF(r.center().x() - m, r.center().y()),
             QPointF(r.center().x() + m, r.center().y()));
  if (plus)
    p.drawLine(QPointF(r.center().x(), r.center().y() - m),
               QPointF(r.center().x(), r.center().y() + m));
}

void Sheet(QPainter& p, const QRectF& r) {
  Table(p, r, 4, -1);
  p.setPen(QPen(QColor(20, 150, 40), std::max(2.0, r.width() / 8)));
  const QRectF x =
      r.adjusted(r.width() * 0.45, r.height() * 0.45, -r.width() * 0.05, -r.height() * 0.05);
  p.drawLine(x.topLeft(), x.bottomRight());
  p.drawLine(x.topRight(), x.bottomLeft());
}

void Printer(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.1, r.width() * 0.4,
                    r.height() * 0.35));
  p.setBrush(QColor(120, 120, 120));
  p.drawRect(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.4, r.width() * 0.76,
                    r.height() * 0.35));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.65, r.width() * 0.4,
                    r.height() * 0.25));
}

void Tools(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(90, 90, 100), std::max(2.0, r.width() / 9)));
  p.drawLine(r.topLeft() + QPointF(r.width() * 0.25, r.height() * 0.2),
             r.bottomRight() - QPointF(r.width() * 0.2, r.height() * 0.2));
  p.setPen(QPen(QColor(140, 80, 30), std::max(2.0, r.width() / 9)));
  p.drawLine(r.topRight() + QPointF(-r.width() * 0.25, r.height() * 0.2),
             r.bottomLeft() + QPointF(r.width() * 0.2, -r.height() * 0.2));
  p.setBrush(QColor(90, 90, 100));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(r.right() - r.width() * 0.42, r.top() + r.height() * 0.12, r.width() * 0.3,
                    r.height() * 0.16));
}

void ChartWithArrow(QPainter& p, const QRectF& r) {
  Curves(p, r);
  p.setPen(QPen(Qt::black, 1.5));
  const QPointF top(r.center().x(), r.top() + r.height() * 0.15),
      bottom(r.center().x(), r.bottom() - r.height() * 0.2);
  p.drawLine(top, bottom);
  p.drawLine(bottom, bottom + QPointF(-3, -3));
  p.drawLine(bottom, bottom + QPointF(3, -3));
}

}  // namespace

QPixmap DrawPicture(int id, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0, 0, size.width(), size.height());
  switch (id) {
    case 143:
      Numeral(p, r, 0, false, false);
      break;
    case 145:
      Numeral(p, r, 1, false, false);
      break;
    case 144:
      Numeral(p, r, 2, false, false);
      break;
    case 146:
      Numeral(p, r, 0, true, false);
      break;
    case 147:
      Numeral(p, r, 1, true, false);
      break;
    case 148:
      Numeral(p, r, 2, true, false);
      break;
    case 157:
      Numeral(p, r, 0, false, true);
      break;
    case 159:
      Numeral(p, r, 1, false, true);
      break;
    case 161:
      Numeral(p, r, 2, false, true);
      break;
    case 158:
      Numeral(p, r, 0, true, true);
      break;
    case 160:
      Numeral(p, r, 1, true, true);
      break;
    case 162:
      Numeral(p, r, 2, true, true);
      break;
    case 150:
      Computer(p, r, false);
      break;
    case 151:
      Computer(p, r, true);
      break;
    case 152:
      TrafficLight(p, r, 0);
      break;
    case 153:
      TrafficLight(p, r, 1);
      break;
    case 154:
      TrafficLight(p, r, 2);
      break;
    case 155:
      Floppy(p, r);
      break;
    case 156:
      Folder(p, r);
      break;
    case 163:
      Bulb(p, r);
      break;
    case 167:
      Curves(p, r);
      break;
    case 168:
      Tools(p, r);
      break;
    case 169:
      PlusMinus(p, r, true);
      break;
    case 170:
      PlusMinus(p, r, false);
      break;
    case 171:
      ChartWithArrow(p, r);
      break;
    case 172:
      Sheet(p, r);
      break;
    case 173:
      Table(p, r, 5, -1);
      break;
    case 174:
      Table(p, r, 5, 2);
      break;
    case 175:
      Table(p, r, 5, -1);
      CrossOut(p, r);
      break;
    case 176:
      Floppy(p, r);
      break;
    case 179:
      Table(p, r, 3, -1);
      break;
    case 180:
      Printer(p, r);
      break;
    default:
      return QPixmap();
  }
  return pixmap;
}

}  // namespace corvala
