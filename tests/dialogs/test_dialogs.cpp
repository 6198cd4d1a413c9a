// The dialogs' own conversions: piped filters to Qt's form, and line breaks for display.
#include "dialogs/WidgetDialogs.h"

#include <QTest>

class DialogsConversions : public QObject {
    Q_OBJECT

private slots:
    void fileFilter_pipedPairsBecomeQtFilters() {
        QCOMPARE(nd::dialogs::qtFileFilter("Data File[*.dat]|*.dat|All type[*.*]|*.*"),
                 QString("Data File[*.dat] (*.dat);;All type[*.*] (*)"));
        QCOMPARE(nd::dialogs::qtFileFilter("Banks|*.bnk;*.txt"), QString("Banks (*.bnk *.txt)"));
        // A description without its pattern is dropped rather than shown as a filter.
        QCOMPARE(nd::dialogs::qtFileFilter("Data File|*.dat|Orphan"), QString("Data File (*.dat)"));
        QCOMPARE(nd::dialogs::qtFileFilter(""), QString());
    }

    void lineBreaks_crAndCrLfBothBreakALine() {
        QCOMPARE(nd::dialogs::displayLineBreaks("a\rb\r\n\r\nc\n"), QString("a\nb\n\nc\n"));
    }
};

QTEST_GUILESS_MAIN(DialogsConversions)
#include "test_dialogs.moc"
