#include <QtTest>

#include <QAccessible>
#include <QPushButton>
#include <QTreeWidget>

#include "discovery/qm6080fp_fcsearch.h"
#include "discovery/qm6080fp_fcselect.h"
#include "modalanswerer.h"
#include "testcard.h"

namespace {

const QString selectHint = QStringLiteral(
    "Select one available function card and then click \"OK\" \nor click \"Cancel\" to quit");

// Collects what the code under test writes to the debug output.
class DebugCapture
{
public:
    DebugCapture()
    {
        messages().clear();
        previous = qInstallMessageHandler(&DebugCapture::handler);
    }
    ~DebugCapture() { qInstallMessageHandler(previous); }
    static QStringList &messages()
    {
        static QStringList list;
        return list;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type == QtDebugMsg)
            messages() << text;
    }
    QtMessageHandler previous = nullptr;
};

resourceInfo_t carrier(const char *descriptor, const char *slotText, QList<ViInt32> numbers)
{
    resourceInfo_t info;
    info.descriptor = QString::fromLatin1(descriptor);
    info.carrierText << QString::fromLatin1(slotText);
    for (int k = 0; k < numbers.size(); ++k) {
        info.cardTexts << QStringList{QStringLiteral("FC %1").arg(k + 1), QStringLiteral("7240")};
        info.cardNumbers << numbers.at(k);
    }
    return info;
}

// VXI0::3 with cards 1 and 2 and an unsupported card 3; VXI0::7 with card 1.
void fillExample(qm6080fp_fcSelect &dialog)
{
    const QList<resourceInfo_t> resources = {
        carrier("VXI0::3::INSTR", "Slot 3 - 6080 MB", {1, 2, 0}),
        carrier("VXI0::7::INSTR", "Slot 7 - 6080 MB", {1})};
    QCOMPARE(fillCardTree(&dialog, resources), 3);
}

QTreeWidgetItem *itemAt(qm6080fp_fcSelect &dialog, int carrierIndex, int cardIndex)
{
    QTreeWidgetItem *system = dialog.cardTree->topLevelItem(0);
    if (carrierIndex < 0)
        return system;
    QTreeWidgetItem *carrierItem = system->child(carrierIndex);
    return cardIndex < 0 ? carrierItem : carrierItem->child(cardIndex);
}

QPoint centreOf(qm6080fp_fcSelect &dialog, QTreeWidgetItem *item)
{
    return dialog.cardTree->visualItemRect(item).center();
}

// A double click as the window system delivers it: press and release, then
// the double-click event (QTest's own sends only the last).
void doubleClick(qm6080fp_fcSelect &dialog, QTreeWidgetItem *item,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *viewport = dialog.cardTree->viewport();
    const QPoint pos = centreOf(dialog, item);
    QTest::mouseClick(viewport, Qt::LeftButton, modifiers, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, modifiers, pos);
}

void click(qm6080fp_fcSelect &dialog, QTreeWidgetItem *item, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(dialog.cardTree->viewport(), Qt::LeftButton, modifiers,
                      centreOf(dialog, item));
}

// What the dialog chose: "count: descriptors / first n card numbers".
QString choice(const qm6080fp_fcSelect &dialog, int n = 1)
{
    QStringList numbers;
    for (int i = 0; i < n; ++i)
        numbers << QString::number(dialog.fcNumbers[i]);
    return QStringLiteral("%1: %2 / %3")
        .arg(dialog.selectedCount)
        .arg(dialog.descriptors, numbers.join(','));
}

void showAndWait(qm6080fp_fcSelect &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

} // namespace

class TestFcSelect : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void construction_data();
    void construction();
    void doubleClickOnWhatCannotBeChosen_data();
    void doubleClickOnWhatCannotBeChosen();
    void doubleClickTakesOnlyTheCurrentCard();
    void doubleClickWithUnselectableCurrentItem();
    void okWithSeveralCards();
    void okWithNothingSelected();
    void okInSingleSelection();
    void rejected_data();
    void rejected();
    void accessibleCellWhileTheTreeChanges();
};

void TestFcSelect::init()
{
    ModalAnswerer::instance().clear();
}

void TestFcSelect::cleanup()
{
    QCOMPARE(ModalAnswerer::instance().unexpected().size(), 0);
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
}

void TestFcSelect::construction_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("selectionMode");
    QTest::newRow("DAC card") << 0x7240 << false << "Vorilan 7240 SFP: Select Function Card"
                              << int(QAbstractItemView::SingleSelection);
    QTest::newRow("multi-card model") << 0x8152 << true << "Vorilan 8152 SFP: Select Function Card"
                                      << int(QAbstractItemView::ExtendedSelection);
    QTest::newRow("short model code keeps its blanks")
        << 0x240 << false << "Vorilan  240 SFP: Select Function Card"
        << int(QAbstractItemView::SingleSelection);
}

void TestFcSelect::construction()
{
    QFETCH(int, modelCode);
    QFETCH(bool, multiple);
    QFETCH(QString, title);
    QFETCH(int, selectionMode);

    TestCard card(modelCode);
    qm6080fp_fcSelect dialog(&card, multiple);
    QCOMPARE(dialog.windowTitle(), title);
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(dialog.parentWidget(), nullptr);
    QCOMPARE(dialog.fc, &card);
    QCOMPARE(dialog.session, ViSession(0));
    QCOMPARE(dialog.demoMode, 0);
    QCOMPARE(dialog.selectedCount, 0);
    QVERIFY(dialog.descriptors.isEmpty());
    QVERIFY(dialog.selectedItems.isEmpty());

    QCOMPARE(dialog.cardTree->columnCount(), 2);
    QCOMPARE(dialog.cardTree->headerItem()->text(0), QStringLiteral("System"));
    QCOMPARE(dialog.cardTree->headerItem()->text(1), QStringLiteral("FC Model"));
    QCOMPARE(int(dialog.cardTree->selectionMode()), selectionMode);
    const int lineHeight = dialog.fontMetrics().height();
    QCOMPARE(dialog.cardTree->minimumWidth(), 24 * lineHeight);
    QCOMPARE(dialog.cardTree->minimumHeight(), 24 * lineHeight);
    QCOMPARE(dialog.okButton->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cancelButton->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.okButton->parentWidget(), &dialog);
    QCOMPARE(dialog.cancelButton->parentWidget(), &dialog);

    showAndWait(dialog);
    // The tree above, the buttons right-aligned below it, OK before Cancel.
    QVERIFY(dialog.okButton->y() > dialog.cardTree->geometry().bottom());
    QVERIFY(dialog.okButton->geometry().right() < dialog.cancelButton->x());
    QVERIFY(dialog.cancelButton->geometry().right() > dialog.width() - 40);
}

void TestFcSelect::doubleClickOnWhatCannotBeChosen_data()
{
    QTest::addColumn<int>("carrierIndex");
    QTest::addColumn<int>("cardIndex");
    QTest::newRow("interface item") << -1 << -1;
    QTest::newRow("carrier item") << 0 << -1;
    QTest::newRow("disabled card") << 0 << 2;
}

void TestFcSelect::doubleClickOnWhatCannotBeChosen()
{
    QFETCH(int, carrierIndex);
    QFETCH(int, cardIndex);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    showAndWait(dialog);
    DebugCapture debug;
    QTreeWidgetItem *item = itemAt(dialog, carrierIndex, cardIndex);
    doubleClick(dialog, item);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    // Also when the slot is reached with an available card as the current item.
    dialog.cardTree->setCurrentItem(itemAt(dialog, 1, 0));
    QVERIFY(QMetaObject::invokeMethod(&dialog, "dblClick", Q_ARG(QTreeWidgetItem *, item)));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(choice(dialog), QString("0: VXI0::7::INSTR / 1"));
    QCOMPARE(debug.messages(), QStringList());
}

void TestFcSelect::doubleClickTakesOnlyTheCurrentCard()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    showAndWait(dialog);
    QTreeWidget *tree = dialog.cardTree;
    click(dialog, itemAt(dialog, 1, 0), Qt::NoModifier);
    click(dialog, itemAt(dialog, 0, 0), Qt::ControlModifier);
    QCOMPARE(tree->selectedItems().size(), 2);
    doubleClick(dialog, itemAt(dialog, 0, 1), Qt::ControlModifier);
    QCOMPARE(tree->selectedItems().size(), 3);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(choice(dialog), QString("1: VXI0::3::INSTR / 2"));
}

void TestFcSelect::doubleClickWithUnselectableCurrentItem()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    fillExample(dialog);
    dialog.cardTree->setCurrentItem(itemAt(dialog, 1, -1));
    DebugCapture debug;
    QVERIFY(QMetaObject::invokeMethod(&dialog, "dblClick",
                                      Q_ARG(QTreeWidgetItem *, itemAt(dialog, 0, 0))));
    QCOMPARE(debug.messages(), QStringList({selectHint}));
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(dialog.selectedCount, 0);
    QCOMPARE(dialog.descriptors, QStringLiteral("VXI0::7::INSTR"));

    dialog.cardTree->setCurrentItem(nullptr);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "dblClick",
                                      Q_ARG(QTreeWidgetItem *, itemAt(dialog, 0, 0))));
    QCOMPARE(debug.messages(), QStringList({selectHint, selectHint}));
    QCOMPARE(dialog.result(), 0);
}

void TestFcSelect::okWithSeveralCards()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    dialog.fcNumbers[3] = 42;
    showAndWait(dialog);
    click(dialog, itemAt(dialog, 0, 0), Qt::NoModifier);
    click(dialog, itemAt(dialog, 0, 1), Qt::ControlModifier);
    click(dialog, itemAt(dialog, 1, 0), Qt::ControlModifier);
    DebugCapture debug;
    QTest::mouseClick(dialog.okButton, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedItems.size(), 3);
    QCOMPARE(choice(dialog, 4),
             QString("3: VXI0::3::INSTR,VXI0::3::INSTR,VXI0::7::INSTR / 1,2,1,42"));
    QCOMPARE(debug.messages(), QStringList());
}

void TestFcSelect::okWithNothingSelected()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    showAndWait(dialog);
    DebugCapture debug;
    QTest::mouseClick(dialog.okButton, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(choice(dialog), QString("0: VXI0::7::INSTR / 1"));
    QCOMPARE(debug.messages(), QStringList());
}

void TestFcSelect::okInSingleSelection()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    fillExample(dialog);
    ModalAnswerer::instance().expect([&dialog](QWidget *) {
        click(dialog, itemAt(dialog, 0, 0), Qt::NoModifier);
        click(dialog, itemAt(dialog, 0, 1), Qt::ControlModifier);
        QTest::mouseClick(dialog.okButton, Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(choice(dialog), QString("1: VXI0::3::INSTR / 2"));
}

void TestFcSelect::rejected_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Escape") << "<escape>";
    QTest::newRow("close control") << "<close>";
}

void TestFcSelect::rejected()
{
    QFETCH(QString, answer);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    dialog.cardTree->setCurrentItem(itemAt(dialog, 0, 1));
    auto record = ModalAnswerer::instance().click(answer);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(record->seen);
    QCOMPARE(record->title, QStringLiteral("Vorilan 7240 SFP: Select Function Card"));
    QCOMPARE(choice(dialog), QString("0: VXI0::7::INSTR / 1"));
}

QTEST_MAIN(TestFcSelect)
#include "test_fcselect.moc"

// An assistive client holds a cell while the tree under it changes: the
// tree answers where the cell is now without letting go of it.
void TestFcSelect::accessibleCellWhileTheTreeChanges()
{
    TestCard card;
    qm6080fp_fcSelect dialog(&card, true);
    fillExample(dialog);
    showAndWait(dialog);
    QTreeWidgetItem *carrier3 = itemAt(dialog, 0, -1);
    carrier3->setExpanded(false);
    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(dialog.cardTree);
    QCOMPARE(tree->role(), QAccessible::Tree);

    // Two header cells, then the rows shown: the interface, carrier 3,
    // carrier 7, its FC 1; two cells each.
    const int carrier7At = 2 + 2 * 2;
    QAccessibleInterface *held = tree->child(carrier7At);
    QCOMPARE(held->text(QAccessible::Name), QStringLiteral("Slot 7 - 6080 MB"));
    QCOMPARE(tree->indexOfChild(held), carrier7At);

    // Carrier 3's cards now stand where carrier 7 stood.
    carrier3->setExpanded(true);
    QCOMPARE(tree->indexOfChild(held), -1);
    QCOMPARE(held->text(QAccessible::Name), QStringLiteral("Slot 7 - 6080 MB"));
    QCOMPARE(tree->child(carrier7At)->text(QAccessible::Name), QStringLiteral("FC 1"));
    QAccessibleInterface *disabledCard = tree->child(2 + 4 * 2);
    QCOMPARE(disabledCard->text(QAccessible::Name), QStringLiteral("FC 3"));
    QVERIFY(disabledCard->state().disabled);

    // A new search refills the model: the card's cell stands for nothing any more.
    QTreeWidgetItem *gone = itemAt(dialog, 0, 2);
    dialog.cardTree->clear();
    fillExample(dialog);
    QVERIFY(itemAt(dialog, 0, 2) != gone);
    QCOMPARE(tree->indexOfChild(disabledCard), -1);
    QVERIFY(!disabledCard->isValid());
    QCOMPARE(disabledCard->text(QAccessible::Name), QString());
}
