#include "persianlayoutkeys.h"

#include <QCoreApplication>
#include <QKeyEvent>

// Runs a key through the application's shortcuts as a key typed on the keyboard is run
// (QtGui's own, exported for its test library's key clicks).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace {

// The Latin key at the place of each letter of the Persian keyboard: the national
// standard layout, and the older one, which gives the Arabic Yeh and Kaf at the places
// of the Persian ones. The digits, Persian and Arabic, are those of their places.
Qt::Key LatinKeyAt(int key)
{
    if (key >= 0x06F0 && key <= 0x06F9)
        return Qt::Key(Qt::Key_0 + (key - 0x06F0));
    if (key >= 0x0660 && key <= 0x0669)
        return Qt::Key(Qt::Key_0 + (key - 0x0660));
    struct Place
    {
        char16_t letter;
        Qt::Key latin;
    };
    static constexpr Place places[] = {
        {u'\u0636', Qt::Key_Q},           {u'\u0635', Qt::Key_W},
        {u'\u062B', Qt::Key_E},           {u'\u0642', Qt::Key_R},
        {u'\u0641', Qt::Key_T},           {u'\u063A', Qt::Key_Y},
        {u'\u0639', Qt::Key_U},           {u'\u0647', Qt::Key_I},
        {u'\u062E', Qt::Key_O},           {u'\u062D', Qt::Key_P},
        {u'\u062C', Qt::Key_BracketLeft}, {u'\u0686', Qt::Key_BracketRight},
        {u'\u0634', Qt::Key_A},           {u'\u0633', Qt::Key_S},
        {u'\u06CC', Qt::Key_D},           {u'\u064A', Qt::Key_D},
        {u'\u0628', Qt::Key_F},           {u'\u0644', Qt::Key_G},
        {u'\u0627', Qt::Key_H},           {u'\u062A', Qt::Key_J},
        {u'\u0646', Qt::Key_K},           {u'\u0645', Qt::Key_L},
        {u'\u06A9', Qt::Key_Semicolon},   {u'\u0643', Qt::Key_Semicolon},
        {u'\u06AF', Qt::Key_Apostrophe},  {u'\u0638', Qt::Key_Z},
        {u'\u0637', Qt::Key_X},           {u'\u0632', Qt::Key_C},
        {u'\u0631', Qt::Key_V},           {u'\u0630', Qt::Key_B},
        {u'\u062F', Qt::Key_N},           {u'\u067E', Qt::Key_M},
        {u'\u0648', Qt::Key_Comma},
    };
    for (const Place& place : places) {
        if (place.letter == key)
            return place.latin;
    }
    return Qt::Key_unknown;
}

class PersianLayoutKeys : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !receiver->isWidgetType())
            return false;
        const auto* typed = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = typed->modifiers();
        if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        const Qt::Key latin = LatinKeyAt(typed->key());
        if (latin == Qt::Key_unknown)
            return false;
        // The Persian key press is taken here whatever comes of it, so that it does not
        // go on to the widget's parents as well.
        if (qt_sendShortcutOverrideEvent(receiver, typed->timestamp(), latin, modifiers, QString(),
                                         typed->isAutoRepeat(), typed->count()))
            return true;
        QKeyEvent again(QEvent::KeyPress, latin, modifiers, QString(), typed->isAutoRepeat(),
                        typed->count());
        QCoreApplication::sendEvent(receiver, &again);
        return true;
    }
};

} // namespace

void InstallPersianLayoutKeys(QCoreApplication& app)
{
    const QString name = QStringLiteral("PersianLayoutKeys");
    if (app.findChild<QObject*>(name, Qt::FindDirectChildrenOnly) != nullptr)
        return;
    auto* keys = new PersianLayoutKeys(&app);
    keys->setObjectName(name);
    app.installEventFilter(keys);
}
