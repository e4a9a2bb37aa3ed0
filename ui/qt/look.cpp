#include "look.h"

#include <QApplication>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOption>
#include <QStyleFactory>

#include "form_layout.h"

namespace qm::settings {
namespace {

// The Windows style, with the classic desktop's narrow gap between a box and its caption:
// Qt's wider gap clips the longer captions of the fixed layout.
class ClassicStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_CheckBoxLabelSpacing || metric == PM_RadioButtonLabelSpacing) return 3;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
  // A box only as wide as its indicator shows no caption, not a sliver of its first letter.
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_CheckBoxLabel && option->rect.width() < option->fontMetrics.averageCharWidth()) return;
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

}  // namespace

QFont form_font() {
  QFont font(QString::fromUtf8(form_window().font_family));
  font.setPixelSize(form_window().font_pixel_height);
  return font;
}

QIcon program_icon() {
  QIcon icon;
  for (int size : {16, 32, 48})
    icon.addFile(QStringLiteral(":/quotemill/quotemill-%1.png").arg(size), QSize(size, size));
  return icon;
}

QPixmap program_emblem() { return QPixmap(QStringLiteral(":/quotemill/quotemill-32.png")); }

void apply_look(QApplication& app) {
  // fontconfig alone maps the name to a Latin face with kana and kanji only as a fallback,
  // whose metrics overflow the fixed layout; IPA P Gothic has the original's metrics.
  const QString family = QString::fromUtf8(form_window().font_family);
  QFont::insertSubstitutions(family, {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")});
  // Fusion draws a frame's caption above its line, which pushes the line under the first
  // check box of the style frame; the Windows style draws the caption on the line.
  app.setStyle(new ClassicStyle(QStyleFactory::create(QStringLiteral("Windows"))));
  app.setWindowIcon(program_icon());
}

}  // namespace qm::settings
