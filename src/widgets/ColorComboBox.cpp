#include "widgets/ColorComboBox.h"

#include "term/QtCanvas.h"

#include <QPainter>
#include <QPixmap>

namespace {

struct TNamedColor {
    const char* Name;
    TColor Value;
};

constexpr TNamedColor NamedColors[TColorComboBox::NamedCount] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

QIcon Swatch(TColor Color)
{
    QPixmap P(16, 12);
    P.fill(QtCanvas::ToQColor(Color));
    QPainter Frame(&P);
    Frame.setPen(Qt::black);
    Frame.drawRect(0, 0, P.width() - 1, P.height() - 1);
    return QIcon(P);
}

QString CustomName(TColor Color)
{
    if ((Color & 0xFF000000u) == SystemColorFlag)
        return QStringLiteral("System %1").arg(Color & 0xFFu);
    return QStringLiteral("Custom #%1").arg(QtCanvas::ToQColor(Color).name().mid(1).toUpper());
}

} // namespace

TColorComboBox::TColorComboBox(QWidget* Parent) : QComboBox(Parent)
{
    setIconSize(QSize(16, 12));
    for (const TNamedColor& C : NamedColors)
        addItem(Swatch(C.Value), QString::fromLatin1(C.Name), QVariant::fromValue(C.Value));
    connect(this, &QComboBox::currentIndexChanged, this, [this](int Index) {
        if (Index >= 0) emit ColorChanged(Color());
    });
}

TColor TColorComboBox::Color() const { return currentData().value<TColor>(); }

void TColorComboBox::SetColor(TColor Color)
{
    const int Before = currentIndex();
    const TColor Old = this->Color();
    int Index = findData(QVariant::fromValue(Color));
    if (Index < 0) {
        // One custom entry at most: a new outside value takes its place.
        if (count() == NamedCount) addItem(QString());
        Index = NamedCount;
        setItemIcon(Index, Swatch(Color));
        setItemText(Index, CustomName(Color));
        setItemData(Index, QVariant::fromValue(Color));
    }
    setCurrentIndex(Index);
    // The custom entry took a new value without the index moving.
    if (Index == Before && Color != Old) emit ColorChanged(Color);
}
