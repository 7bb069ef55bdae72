#include "voucherform.h"

#include "commandquery.h"
#include "copypaste.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbgrid.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "siblingcalls.h"
#include "tempgrid.h"
#include "voucherformshared.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

// The grid's context menu of the voucher window: its items, their keys (which work
// wherever the focus is in the window) and the rule that enables each.

void TVoucherForm::buildMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->setLayoutDirection(Qt::RightToLeft);
    auto add = [this](const QString& name, const QString& text, const QKeySequence& key) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        PopupMenu->addAction(action);
        return action;
    };
    miHelp = add(QStringLiteral("miHelp"), QStringLiteral("راهنما"), QKeySequence(Qt::Key_F1));
    miNew = add(QStringLiteral("miNew"), QStringLiteral("سند جديد ..."),
                QKeySequence(Qt::CTRL | Qt::Key_N));
    miSearch = add(QStringLiteral("miSearch"), QStringLiteral("جستجو ..."),
                   QKeySequence(Qt::CTRL | Qt::Key_F));
    miSaveLayout = add(QStringLiteral("miSaveLayout"), QStringLiteral("ثبت وضعيت ستونها"),
                       QKeySequence(Qt::CTRL | Qt::Key_G));
    miClipboard = add(QStringLiteral("miClipboard"),
                      QStringLiteral("ارسال به Clipboard ( محيط ديگر ...)"), QKeySequence());
    miCopyRow = add(QStringLiteral("miCopyRow"), QStringLiteral("کپي رديف به حافظه"),
                    QKeySequence(Qt::CTRL | Qt::Key_Insert));
    miPasteRow = add(QStringLiteral("miPasteRow"), QStringLiteral("بازيابي رديف از حافظه "),
                     QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    miCopyCell = add(QStringLiteral("miCopyCell"), QStringLiteral("کپي خانه به حافظه"),
                     QKeySequence(Qt::CTRL | Qt::Key_C));
    miPasteCell = add(QStringLiteral("miPasteCell"), QStringLiteral("بازيابي خانه از حافظه"),
                      QKeySequence(Qt::CTRL | Qt::Key_V));
    miDeleteRow = add(QStringLiteral("miDeleteRow"), QStringLiteral("حذف رديف"),
                      QKeySequence(Qt::CTRL | Qt::Key_Delete));
    miProperties =
        add(QStringLiteral("miProperties"), QStringLiteral("مشخصات گزارش ..."), QKeySequence());
    miPrint = add(QStringLiteral("miPrint"), QStringLiteral("چاپ ..."),
                  QKeySequence(Qt::CTRL | Qt::Key_P));
    // The cell items are not shown in the menu; their keys work all the same.
    PopupMenu->removeAction(miCopyCell);
    PopupMenu->removeAction(miPasteCell);

    // Shortcuts work wherever the focus is in the window. The enabled state is the
    // menu's when it opens; a key tests the item's rule when it fires.
    addActions(PopupMenu->actions());
    addAction(miCopyCell);
    addAction(miPasteCell);

    connect(PopupMenu, &QMenu::aboutToShow, this, &TVoucherForm::updateMenuState);
    connect(PopupMenu, &QMenu::aboutToHide, this, [this] {
        for (QAction* action : actions())
            action->setEnabled(true);
    });
    connect(dbgAsnad, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu->popup(dbgAsnad->viewport()->mapToGlobal(at)); });

    auto guarded = [this](QAction* action, auto&& body) {
        connect(action, &QAction::triggered, this, [this, action, body] {
            if (!ItemAllowed(action))
                return;
            try {
                body();
            } catch (const DatabaseError& e) {
                reportDatabaseError(e);
            } catch (const DataSetError&) {
                ShowMessageDlg(QStringLiteral("مقدار کپي شده با اين ستون سازگار نيست."), QString(),
                               VoucherFormText::Error);
            }
        });
    };
    guarded(miHelp, [this] {
        ShowMessageDlg(
            QStringLiteral(
                "شماره سند را وارد کنيد و Enter بزنيد؛ با کليدهاي بالا و پايين "
                "سندهاي قبلي و بعدي ديده مي شوند. تاريخ را وارد کنيد و در سال Enter "
                "بزنيد تا رديفها باز شوند. در ستونهاي کد، Enter فهرست انتخاب را باز "
                "مي کند. ثبت سند با Ctrl+S، حذف رديف با Ctrl+Del، حذف سند با Ctrl+Shift+Del، "
                "سند جديد با Ctrl+N. Ctrl+Tab از جدول به دکمه ها مي رود."),
            m_kind.Caption(), QStringLiteral("1IR"));
    });
    guarded(miNew, [this] {
        if (askToAbandon())
            NewVoucher(true);
    });
    guarded(miSaveLayout, [this] { SaveGridLayout(dbgAsnad, m_kind.LayoutKey); });
    guarded(miClipboard, [this] { CopyGridAsText(dbgAsnad); });
    guarded(miCopyRow, [this] { m_copiedRow = CopyRow(dbgAsnad); });
    guarded(miPasteRow, [this] {
        dbgAsnad->commitEditor();
        PasteRow(quAsnad, dbgAsnad, m_copiedRow);
    });
    guarded(miCopyCell, [this] { CopyCell(dbgAsnad); });
    guarded(miPasteCell, [this] { PasteCell(dbgAsnad); });
    guarded(miDeleteRow, [this] { DeleteCurrentRow(); });
    guarded(miSearch, [this] {
        dbgAsnad->commitEditor();
        SearchGrid(dbgAsnad, QStringLiteral("Raj"), QStringLiteral("Raj"));
    });
    guarded(miProperties, [this] {
        const QString title =
            m_kind.PropertiesCaption.isEmpty()
                ? QStringLiteral("مشخصات گزارش [") + m_kind.Caption() + QLatin1Char(']')
                : m_kind.PropertiesCaption;
        ShowReportProperties(title, dbgAsnad);
    });
    guarded(miPrint, [this] {
        dbgAsnad->commitEditor();
        TPrintRequest request;
        request.Grid = dbgAsnad;
        request.Data = quAsnad;
        request.Title = m_kind.PrintTitle + SanadID->text().trimmed();
        request.ReportName = m_kind.ReportName;
        TPrintService().Print(request);
    });
}

bool TVoucherForm::ItemAllowed(const QAction* action) const
{
    const bool rows = quAsnad->active() && !quAsnad->isEmpty();
    const bool editable = rows && GridEditable();
    if (action == miHelp || action == miNew)
        return true;
    if (action == miSaveLayout)
        return rows;
    if (action == miClipboard)
        return rows && Global && Global->CopyPermission.trimmed().toUpper() != QStringLiteral("NO");
    if (action == miCopyRow || action == miCopyCell || action == miPasteCell ||
        action == miDeleteRow)
        return editable;
    if (action == miPasteRow)
        return editable && !m_copiedRow.isEmpty();
    if (action == miSearch)
        return rows && quAsnad->recordCount() > 1;
    if (action == miProperties)
        return rows;
    if (action == miPrint)
        return rows && Global &&
               Global->PrintPermission.trimmed().toUpper() != QStringLiteral("NO");
    return false;
}

void TVoucherForm::updateMenuState()
{
    for (QAction* action : actions())
        action->setEnabled(ItemAllowed(action));
}
