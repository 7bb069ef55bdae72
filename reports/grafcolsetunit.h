#pragma once

#include <QDialog>
#include <QStringList>

class DbGrid;
class QComboBox;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The chart's columns ("تنظيم ستونهاي نمودار"): the grid's columns on one side, the
// columns that label the chart's points on the other (moved across with ">", ">>",
// "<", "<<" or a double-click), and the column whose values are charted. Returns
// OK or cancel; the chart window rebuilds its chart from the choice on OK.
class TGrafColSetForm : public QDialog
{
    Q_OBJECT
public:
    // `labels` and `data`: the field names the chart uses now.
    TGrafColSetForm(DbGrid* grid, const QStringList& labels, const QString& data,
                    QWidget* parent = nullptr);

    QListWidget* lbxAllColumns;
    QGroupBox* grpLabelColumns;
    QListWidget* lbxLabelColumns;
    QPushButton* cmdAdd;
    QPushButton* cmdAddAll;
    QPushButton* cmdRemove;
    QPushButton* cmdRemoveAll;
    QComboBox* cbDataColumn;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    // The chosen label columns in their order, and the data column (field names).
    QStringList labelFields() const;
    QString dataField() const;

    void cmdAddClick();
    void cmdAddAllClick();
    void cmdRemoveClick();
    void cmdRemoveAllClick();

private:
    static void move(QListWidget* from, QListWidget* to, bool all);
};
