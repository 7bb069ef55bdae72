#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <QMargins>
#include <utility>

class QDialog;
class QFrame;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TCaptionPanel;

class QAbstractButton;
class QWidget;

// Window appearance: the colours of OptionsColor.ini, the rounded outline of
// frameless windows and the placing of their caption buttons.

// A colour in the desktop library's notation: a name such as "clBtnFace" or "clRed"
// (any case), or a number, hexadecimal ("0x00BBGGRR", "$00BBGGRR") or decimal, whose
// low byte is red, then green, then blue. System colour numbers (0xFF0000nn) and the
// system colour names take the classic desktop palette. "clNone" and "clDefault" give
// an invalid QColor: no colour of their own. `ok` (when given) tells whether the text
// was a colour at all.
QColor StringToColor(const QString& text, bool* ok = nullptr);

// The colours of the "Color" section, each with its default.
struct ColorOptions
{
    QColor DialogColor;
    QColor CaptionBColor;
    QColor CaptionFColor;
    QColor TextABColor;
    QColor TextAFColor;
    QColor TextEBColor;
    QColor TextEFColor;
    QColor LabelColor;
    QColor GridTextBAColor;
    QColor GridTextBRColor;
    QColor GridTextBSColor;
    QColor GridTextFAColor;
    QColor GridTextFRColor;
    QColor GridTextFSColor;
    QColor GridCaptionBAColor;
    QColor GridCaptionBRColor;
    QColor GridCaptionBSColor;
    QColor GridCaptionFAColor;
    QColor GridCaptionFRColor;
    QColor GridCaptionFSColor;
    QColor HintColor;

    struct Key
    {
        const char* name;
        const char* defaultText;
        QColor ColorOptions::*member;
    };
    // The keys in file order, with the default text of each.
    static const QList<Key>& Keys();

    // Every key at its default.
    ColorOptions();
};

// Reads OptionsColor.ini: the user's copy in the configuration folder
// (~/.config/amval) when there is one, else the one shipped in "<appPath>/Data"
// (UserFileToRead), which is never written. A missing file, section or key gives the
// default; so does a value that is not a colour, and then `problems` (when given)
// receives one Persian line naming the key and quoting the value (its first
// characters and "..." when long). A file that is there but cannot be read, is not
// text or is bigger than 1 MB gives every default and one line naming the file.
ColorOptions ReadColorOptions(const QString& appPath, QStringList* problems = nullptr);

// Colours the window and its controls from the colour file of the host context's
// application folder. The file is read once and kept; a window opened later reads it
// again only when its size or time of change differ. Problems are reported once (per
// text, for the life of the module) and the defaults used. Returns the title font
// colours the window needs for its own drawing of grid cells: GridCaptionFRColor and
// GridCaptionFSColor.
std::pair<QColor, QColor> ApplyColorOptions(QWidget* window);

// Gives the window a rounded outline: the rectangle (0, 0)-(width, width) with corners
// of a 20 x 40 ellipse, so a window wider than tall rounds only its top corners.
void SetRoundWindow(QWidget* window, int width);

// The width a frameless window lays its frame out on: maximised, the screen's for a
// top-level window and its own for a window docked into the host (which fills the
// page it is maximised in); otherwise the window's own.
int FrameWidth(bool maximised, QWidget* window);

// Places the caption buttons from the right edge of a frame `width` wide: the close
// shape 10 pixels in from the edge, each further shape 2 pixels left of the button
// before it, every button one pixel inside its shape. Absent shapes are skipped.
void PlaceCaptionButtons(int width, QWidget* closeShape, QWidget* minShape, QWidget* sysShape,
                         QWidget* condShape, QAbstractButton* closeButton,
                         QAbstractButton* minButton, QAbstractButton* sysButton,
                         QAbstractButton* condButton);

// What every frameless window does when shown: rounded outline, colours, caption
// buttons. The shapes and buttons after close may be null. Returns what
// ApplyColorOptions returned.
std::pair<QColor, QColor> LayoutWindowFrame(bool maximised, QWidget* window, QWidget* closeShape,
                                            QWidget* minShape, QWidget* sysShape,
                                            QWidget* condShape, QAbstractButton* closeButton,
                                            QAbstractButton* minButton, QAbstractButton* sysButton,
                                            QAbstractButton* condButton);

// Moves a top-level window with the mouse, from a press on its caption: hands the
// move to the window system. Returns false where it cannot (a docked window stays put;
// a platform without system moves leaves it to the caption panel's own drag).
bool DragByCaption(QWidget* window);

// A module dialog drawn without the window system's title bar, right to left and
// modal: the caption panel on top (its close button rejects the dialog, a press on it
// moves the dialog) and under it the client widget, with its own vertical layout.
struct CaptionedDialog
{
    TCaptionPanel* panel = nullptr;
    QToolButton* close = nullptr;
    QFrame* closeShape = nullptr;
    QWidget* client = nullptr;
    QVBoxLayout* clientLayout = nullptr;
};
CaptionedDialog FrameCaptionedDialog(QDialog* dialog, const QString& caption,
                                     const QMargins& clientMargins);
