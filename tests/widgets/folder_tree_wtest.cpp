#include <QSignalSpy>
#include <QtTest>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "widgets/c_folder_tree.h"

namespace fs = std::filesystem;

namespace {

QStringList ChildTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
}

QStringList SignalPaths(const QSignalSpy& spy) {
    QStringList paths;
    for (const QList<QVariant>& call : spy)
        paths << QString::fromStdString(call.at(0).value<std::string>());
    return paths;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

// The tree over a temporary folder used as its only root, so that every case sees a known disk.
class FolderTreeTest : public QObject {
    Q_OBJECT

  private:
    TempDir dir_;
    std::unique_ptr<CFolderTree> tree_;

    QTreeWidgetItem* Root() { return tree_->topLevelItem(0); }
    QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& text) {
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == text) return item->child(i);
        return nullptr;
    }

  private slots:
    void init() {
        for (const char* folder : {"alpha/x", "Beta", "gamma", ".hidden/y", "alpha/.secret"})
            fs::create_directories(dir_ / folder);
        WriteTestFile(dir_ / "file.jpg", "not a folder");
        tree_ = std::make_unique<CFolderTree>();
        const std::string root = dir_.Path();
        tree_->SetRootProvider([root] { return std::vector<FolderRoot>{{root, RootKind::Fixed}}; });
        tree_->Init();
        tree_->resize(300, 400);
        tree_->show();
    }
    void cleanup() {
        tree_.reset();
        fs::remove_all(dir_.Path());
        fs::create_directories(dir_.Path());
    }

    void takingTheFocusChoosesNothingButAClickChoosesTheNode() {
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);
        tree_->activateWindow();
        tree_->setFocus();
        QApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        QTreeWidgetItem* root = tree_->topLevelItem(0);
        QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {},
                          tree_->visualItemRect(root).center());
        QCOMPARE(SignalPaths(spy), QStringList{QString::fromStdString(dir_.Path())});
    }

    void rootsAreUnopenedWithAPlaceholder() {
        QCOMPARE(tree_->topLevelItemCount(), 1);
        QCOMPARE(Root()->text(0), Q(dir_.Path()));
        QCOMPARE(tree_->GetPath(Root()), dir_.Path());
        QCOMPARE(Root()->childCount(), 1);
        QVERIFY(CFolderTree::IsPlaceholder(Root()->child(0)));
        QVERIFY(!Root()->isExpanded());
    }

    void openingListsVisibleFoldersInCaseInsensitiveOrder() {
        Root()->setExpanded(true);
        // Files and hidden folders are absent; "Beta" sorts between "alpha" and "gamma".
        QCOMPARE(ChildTexts(Root()), QStringList({"alpha", "Beta", "gamma"}));
        for (int i = 0; i < Root()->childCount(); ++i) {
            QTreeWidgetItem* child = Root()->child(i);
            QCOMPARE(child->childCount(), 1);
            QVERIFY(CFolderTree::IsPlaceholder(child->child(0)));
        }
        QTreeWidgetItem* alpha = Child(Root(), "alpha");
        alpha->setExpanded(true);
        QCOMPARE(ChildTexts(alpha), QStringList({"x"}));  // ".secret" is hidden
        QCOMPARE(tree_->GetPath(alpha->child(0)), dir_ / "alpha/x");
    }

    void openingAFolderWithoutSubFoldersRemovesItsPlaceholder() {
        Root()->setExpanded(true);
        QTreeWidgetItem* gamma = Child(Root(), "gamma");
        QCOMPARE(gamma->childCount(), 1);
        gamma->setExpanded(true);
        QCOMPARE(gamma->childCount(), 0);
    }

    void closingForgetsAndReopeningReadsTheDiskAgain() {
        Root()->setExpanded(true);
        QCOMPARE(Root()->childCount(), 3);
        Root()->setExpanded(false);
        QCOMPARE(Root()->childCount(), 1);
        QVERIFY(CFolderTree::IsPlaceholder(Root()->child(0)));

        fs::create_directories(dir_ / "delta");
        fs::remove_all(dir_ / "Beta");
        Root()->setExpanded(true);
        QCOMPARE(ChildTexts(Root()), QStringList({"alpha", "delta", "gamma"}));
    }

    void closingAboveTheSelectionMovesItUpOnce() {
        tree_->SelectPath(dir_ / "alpha/x");
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);
        Child(Root(), "alpha")->setExpanded(false);
        QCOMPARE(SignalPaths(spy), QStringList({Q(dir_ / "alpha")}));
        QCOMPARE(tree_->SelectedPath(), dir_ / "alpha");
    }

    void openFoldersFollowTheDiskAndF5ReadsThemAgain() {
        tree_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree_.get()));
        tree_->SelectPath(dir_ / "alpha/x");
        QTreeWidgetItem* alpha = Child(Root(), "alpha");
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);

        // Made or removed by another program: the open folders follow on their own.
        fs::create_directories(dir_ / "delta");
        fs::create_directories(dir_ / "alpha/w");
        fs::remove_all(dir_ / "Beta");
        QTRY_COMPARE(ChildTexts(Root()), QStringList({"alpha", "delta", "gamma"}));
        QTRY_COMPARE(ChildTexts(alpha), QStringList({"w", "x"}));
        // F5 reads them at once, without waiting for the notices.
        fs::create_directories(dir_ / "epsilon");
        fs::remove_all(dir_ / "gamma");
        QTest::keyClick(tree_.get(), Qt::Key_F5);
        QCOMPARE(ChildTexts(Root()), QStringList({"alpha", "delta", "epsilon"}));
        // What the user had open and chosen stays so.
        QCOMPARE(Child(Root(), "alpha"), alpha);
        QVERIFY(alpha->isExpanded());
        QCOMPARE(tree_->SelectedPath(), dir_ / "alpha/x");
        QCOMPARE(spy.count(), 0);

        // The chosen folder itself removed: the choice moves up to its parent, once.
        fs::remove_all(dir_ / "alpha/x");
        QTest::keyClick(tree_.get(), Qt::Key_F5);
        QCOMPARE(SignalPaths(spy), QStringList({Q(dir_ / "alpha")}));
        QCOMPARE(ChildTexts(alpha), QStringList({"w"}));
    }

    void selectPath_data() {
        QTest::addColumn<QString>("relative");    // appended to the temporary root
        QTest::addColumn<QStringList>("levels");  // relative paths signalled, in order
        QTest::newRow("an existing folder selects every level down to it")
            << "/alpha/x" << QStringList({"", "/alpha", "/alpha/x"});
        QTest::newRow("a trailing separator changes nothing")
            << "/alpha/x/" << QStringList({"", "/alpha", "/alpha/x"});
        QTest::newRow("a missing last folder selects its deepest existing ancestor")
            << "/alpha/x/gone" << QStringList({"", "/alpha", "/alpha/x"});
        QTest::newRow("a folder named in another case is not matched")
            << "/ALPHA/x" << QStringList({""});
        QTest::newRow("a hidden folder is never reached") << "/.hidden/y" << QStringList({""});
        QTest::newRow("the root alone") << "" << QStringList({""});
    }
    void selectPath() {
        QFETCH(QString, relative);
        QFETCH(QStringList, levels);
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);
        tree_->SelectPath(dir_.Path() + relative.toStdString());
        QStringList expected;
        for (const QString& level : levels) expected << Q(dir_.Path()) + level;
        QCOMPARE(SignalPaths(spy), expected);
        QCOMPARE(Q(tree_->SelectedPath()), expected.last());
        // Every level on the way is open, so the selected node is visible.
        for (QTreeWidgetItem* up = tree_->currentItem()->parent(); up; up = up->parent())
            QVERIFY(up->isExpanded());
    }

    void aPathNoRootLeadsSelectsNothing_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("the root's own name in another case") << "UPPER";
        QTest::newRow("a relative path") << "alpha/x";
        QTest::newRow("an empty path") << "";
        QTest::newRow("a root name that only starts the same way") << "LONGER";
    }
    void aPathNoRootLeadsSelectsNothing() {
        QFETCH(QString, path);
        std::string given = path.toStdString();
        if (path == "UPPER") {
            std::string upper = dir_.Path();
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            given = upper + "/alpha";
        } else if (path == "LONGER") {
            given = dir_.Path() + "more/alpha";
        }
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);
        tree_->SelectPath(given);
        QCOMPARE(spy.count(), 0);
        QVERIFY(tree_->currentItem() == nullptr);
        QCOMPARE(tree_->SelectedPath(), std::string());
    }

    void theLongestLeadingRootIsTheStart() {
        // A mount point inside another root: the walk starts at the mount point's own node.
        const std::string outer = dir_.Path();
        const std::string inner = dir_ / "alpha";
        tree_->clear();
        tree_->SetRootProvider([outer, inner] {
            return std::vector<FolderRoot>{{outer, RootKind::Fixed}, {inner, RootKind::Removable}};
        });
        tree_->AddDrives();
        QCOMPARE(tree_->topLevelItemCount(), 2);
        QSignalSpy spy(tree_.get(), &CFolderTree::FolderSelected);
        tree_->SelectPath(inner + "/x");
        QCOMPARE(SignalPaths(spy), QStringList({Q(inner), Q(inner + "/x")}));
        QVERIFY(tree_->currentItem()->parent()->parent() == nullptr);
    }

    void missingRootsAreNotShown() {
        const std::string real = dir_.Path();
        const std::string gone = dir_ / "not-mounted";
        tree_->clear();
        tree_->SetRootProvider([real, gone] {
            return std::vector<FolderRoot>{{gone, RootKind::Network}, {real, RootKind::Fixed}};
        });
        tree_->AddDrives();
        QCOMPARE(tree_->topLevelItemCount(), 1);
        QCOMPARE(tree_->topLevelItem(0)->text(0), Q(real));
    }

    void theSystemRootsStartWithSlash() {
        CFolderTree tree;
        tree.Init();
        QVERIFY(tree.topLevelItemCount() >= 1);
        QCOMPARE(tree.topLevelItem(0)->text(0), QString("/"));
        QCOMPARE(tree.GetPath(tree.topLevelItem(0)), std::string("/"));
        // A temporary folder is reached from "/" (or a deeper root), level by level.
        tree.SelectPath(dir_ / "alpha/x");
        QCOMPARE(tree.SelectedPath(), dir_ / "alpha/x");
    }
};

QTEST_MAIN(FolderTreeTest)
#include "folder_tree_wtest.moc"
