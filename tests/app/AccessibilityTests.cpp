// What a screen reader finds in the main window with a show loaded, in its
// popovers and in the settings window, walked through Qt's accessibility
// interfaces (what AT-SPI serves), and what its actions do.
#include "ShellFixture.h"

#include "app/TopBarView.h"
#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"
#include "show/BrowserFiles.h"
#include "streaming/StreamManager.h"
#include "ui/playlist/MediaRowView.h"
#include "ui/settings/SettingsView.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QComboBox>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace tessarin;

namespace {

using Node = QAccessibleInterface*;

// Every visible node below root (root included), depth first.
void visit(Node node, const std::function<void(Node)>& f, int depth = 0)
{
    if (!node || !node->isValid() || node->state().invisible || depth > 80)
        return;
    f(node);
    for (int i = 0; i < node->childCount(); ++i)
        visit(node->child(i), f, depth + 1);
}

Node find(Node root, QAccessible::Role role, const QString& name)
{
    Node found = nullptr;
    visit(root, [&](Node n) {
        if (!found && n->role() == role && n->text(QAccessible::Name) == name)
            found = n;
    });
    return found;
}

QList<Node> all(Node root, QAccessible::Role role)
{
    QList<Node> found;
    visit(root, [&](Node n) {
        if (n->role() == role)
            found.append(n);
    });
    return found;
}

// The controls an operator acts on or reads, each of which must carry a
// name in words: not empty, not a dash or a sign, not a raw identifier, and
// for a combo box not the entry it shows, which is its text.
QStringList unnamedControls(Node root, int& checked)
{
    static const QSet<QAccessible::Role> named { QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton,
                                                 QAccessible::Slider, QAccessible::EditableText, QAccessible::ComboBox,
                                                 QAccessible::ListItem, QAccessible::SpinBox, QAccessible::ButtonMenu,
                                                 QAccessible::Dialog, QAccessible::Window };
    static const QRegularExpression words(QStringLiteral("\\p{L}"));
    static const QRegularExpression identifier(QStringLiteral("^[a-z]+[A-Z0-9][A-Za-z0-9]*$"));
    QStringList faults;
    visit(root, [&](Node n) {
        if (!named.contains(n->role()))
            return;
        ++checked;
        const QString name = n->text(QAccessible::Name);
        QString fault;
        if (!name.contains(words))
            fault = QStringLiteral("no name in words");
        else if (identifier.match(name).hasMatch())
            fault = QStringLiteral("named with an identifier");
        else if (n->role() == QAccessible::ComboBox && name == n->text(QAccessible::Value))
            fault = QStringLiteral("named by its value");
        else if (auto* combo = qobject_cast<QComboBox*>(n->object()); combo && !combo->isEditable()
                 && (!n->textInterface() || n->textInterface()->text(0, -1) != combo->currentText()))
            fault = QStringLiteral("its entry is not its text (the value screen readers read)");
        if (!fault.isEmpty()) {
            const char* cls = n->object() ? n->object()->metaObject()->className() : "?";
            faults << QStringLiteral("%1 (role %2) \"%3\": %4").arg(QLatin1String(cls)).arg(int(n->role())).arg(name, fault);
        }
    });
    return faults;
}

Node application() { return QAccessible::queryAccessibleInterface(qApp); }

void act(Node node, const QString& action)
{
    ASSERT_NE(node, nullptr);
    ASSERT_NE(node->actionInterface(), nullptr);
    ASSERT_TRUE(node->actionInterface()->actionNames().contains(action)) << action.toStdString();
    node->actionInterface()->doAction(action);
}

class AccessibilityTest : public test::ShellFixture {
protected:
    std::shared_ptr<MediaFile> addClip(const std::shared_ptr<MediaBlock>& block, const QString& name)
    {
        auto item = MediaFile::create(QUrl::fromLocalFile(test::mediaPath(name)));
        block->appendItems({ item });
        return item;
    }

    // The shown popover named name, a child of the application.
    Node popover(const QString& name)
    {
        Node app = application();
        for (int i = 0; i < app->childCount(); ++i) {
            Node child = app->child(i);
            if (child && child->role() == QAccessible::Dialog && child->text(QAccessible::Name) == name
                && !child->state().invisible)
                return child;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(AccessibilityTest, EveryControlOfTheWindowItsPopoversAndTheSettingsHasANameInWords)
{
    // A stored source of the operator's, which the window's library reads.
    SourceLibrary(settings, devices).addManualSource(LiveSourceKind::rtmp, QStringLiteral("Regia"),
                                                     QStringLiteral("rtmp://127.0.0.1/live"), false);
    ContentView& w = make();
    auto first = show->engine().addBlock();
    first->setName(QStringLiteral("Apertura"));
    auto clip = addClip(first, QStringLiteral("clip_5s.mov"));
    auto tone = addClip(first, QStringLiteral("tone_half.wav"));
    auto second = show->engine().addBlock();
    second->setName(QStringLiteral("Chiusura"));
    auto closing = addClip(second, QStringLiteral("clip_5s.mov"));
    show->browserFiles().setBrowserFiles({ MediaFile::create(QUrl::fromLocalFile(test::mediaPath(QStringLiteral("tone_half.wav")))) });
    ScheduleEvent event;
    event.id = QUuid::createUuid();
    event.blockID = second->id();
    show->schedule().add(event);
    show->engine().overlays().layers().front()->load(QUrl::fromLocalFile(test::mediaPath(QStringLiteral("still.png"))));
    ASSERT_TRUE(test::waitUntil([&] { return clip->duration() > 0 && tone->duration() > 0 && closing->duration() > 0; }));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(&w, Qt::Key_Space);
    ASSERT_TRUE(show->engine().isPlaying());
    show->engine().cue(closing, second);
    test::drainMainQueue();

    Node window = QAccessible::queryAccessibleInterface(&w);
    ASSERT_NE(window, nullptr);
    ASSERT_GE(application()->indexOfChild(window), 0);
    int checked = 0;
    QStringList faults = unnamedControls(window, checked);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(checked, 30);

    // Each row is one object read as the operator reads it.
    QStringList rows;
    for (Node row : all(window, QAccessible::ListItem))
        rows << row->text(QAccessible::Name);
    const auto hasRow = [&](const QString& pattern) {
        return !rows.filter(QRegularExpression(pattern)).isEmpty();
    };
    EXPECT_TRUE(hasRow(QStringLiteral("^clip_5s, [0-9:.]+, ON AIR$"))) << rows.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(hasRow(QStringLiteral("^clip_5s, [0-9:.]+, CUE$"))) << rows.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(hasRow(QStringLiteral("^tone_half, "))) << rows.join(QLatin1Char('|')).toStdString();

    // The gain slider and the seek bar are sliders with their value, and
    // setting the value does what the pointer does.
    const QList<Node> sliders = all(window, QAccessible::Slider);
    Node gain = nullptr;
    Node seek = nullptr;
    for (Node s : sliders) {
        if (s->text(QAccessible::Name).startsWith(QStringLiteral("Guadagno")) && !gain)
            gain = s;
        if (s->text(QAccessible::Name) == QStringLiteral("Posizione nella traccia"))
            seek = s;
    }
    ASSERT_NE(gain, nullptr);
    ASSERT_NE(gain->valueInterface(), nullptr);
    EXPECT_EQ(gain->valueInterface()->currentValue().toDouble(), 0.0);
    gain->valueInterface()->setCurrentValue(-6.2);
    EXPECT_EQ(clip->gainDB(), -6.0) << "the first row's slider, in half-decibel steps";
    EXPECT_EQ(gain->text(QAccessible::Value), QStringLiteral("-6.0 dB"));
    ASSERT_NE(seek, nullptr);
    ASSERT_NE(seek->valueInterface(), nullptr);
    EXPECT_EQ(seek->valueInterface()->maximumValue().toDouble(), std::max(0.0, show->engine().windowDuration()));

    // A screen reader's action on a segment changes the engine, not only the picture.
    ASSERT_EQ(show->engine().transitionStyle(), TransitionStyle::cut);
    act(find(window, QAccessible::RadioButton, QStringLiteral("Fade")), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(show->engine().transitionStyle(), TransitionStyle::fade);
    faults = unnamedControls(window, checked);
    EXPECT_TRUE(faults.isEmpty()) << "with the fade's length shown: " << faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_NE(find(window, QAccessible::PushButton, QStringLiteral("Aumenta: durata della transizione")), nullptr);
    act(find(window, QAccessible::RadioButton, QStringLiteral("Cut")), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(show->engine().transitionStyle(), TransitionStyle::cut);

    // The show menu, a popup opened from its button, is in the tree while open.
    act(find(window, QAccessible::PushButton, QStringLiteral("Nuovo, apri e salva lo show")),
        QAccessibleActionInterface::pressAction());
    Node menu = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        Node app = application();
        for (int i = 0; i < app->childCount() && !menu; ++i) {
            if (app->child(i)->role() == QAccessible::PopupMenu && !app->child(i)->state().invisible)
                menu = app->child(i);
        }
        return menu != nullptr;
    }));
    EXPECT_NE(find(menu, QAccessible::MenuItem, QStringLiteral("Apri show…")), nullptr);
    static_cast<QWidget*>(menu->object())->hide();

    // Controls that repeat per block, per layer and per row say whose they
    // are; the lists say what they list.
    for (const QString& name : { QStringLiteral("Riproduci blocco, Apertura"), QStringLiteral("Elimina blocco, Chiusura"),
                                 QStringLiteral("Carica un file…, Layer 2"), QStringLiteral("MOSTRA, Layer 1"),
                                 QStringLiteral("Svuota il layer, Layer 1") })
        EXPECT_NE(find(window, QAccessible::PushButton, name), nullptr) << name.toStdString();
    EXPECT_NE(find(window, QAccessible::CheckBox, QStringLiteral("Loop blocco (ricomincia dal primo video alla fine), Chiusura")),
              nullptr);
    EXPECT_NE(find(window, QAccessible::List, QStringLiteral("File del browser")), nullptr);

    // The browser's sources, chosen through the tree: each source is one row.
    act(find(window, QAccessible::RadioButton, QStringLiteral("Sorgenti")), QAccessibleActionInterface::toggleAction());
    rows.clear();
    for (Node row : all(window, QAccessible::ListItem))
        rows << row->text(QAccessible::Name);
    EXPECT_TRUE(hasRow(QStringLiteral("^Regia, rtmp://127.0.0.1/live$"))) << rows.join(QLatin1Char('|')).toStdString();
    faults = unnamedControls(window, checked);
    EXPECT_TRUE(faults.isEmpty()) << "with the sources shown: " << faults.join(QLatin1Char('\n')).toStdString();

    // Every popover is in the tree while it shows, with named controls.
    // A row's button says whose it is, and so does its popover.
    const QString trim = QStringLiteral("Punti IN/OUT, ") + MediaRowView::displayName(*clip);
    const QStringList anchors { trim, QStringLiteral("Impostazioni blocco, Apertura"),
                                QStringLiteral("Opacità, dimensione e posizione, Layer 1"), QStringLiteral("Streaming"),
                                QStringLiteral("Uscita esterna"), QStringLiteral("Aggiungi una sorgente RTMP") };
    for (const QString& anchor : anchors) {
        SCOPED_TRACE(anchor.toStdString());
        Node button = find(window, QAccessible::PushButton, anchor);
        ASSERT_NE(button, nullptr);
        act(button, QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(test::waitUntil([&] { return popover(anchor) != nullptr; }));
        Node shown = popover(anchor);
        EXPECT_EQ(shown->parent()->object(), qApp);
        int inside = 0;
        faults = unnamedControls(shown, inside);
        EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
        // The output's popover on a single screen says only that (with the dialog itself: one).
        EXPECT_GE(inside, anchor == QStringLiteral("Uscita esterna") ? 1 : 3);
        if (anchor == trim) {
            // The markers are sliders of their points, which they move as a drag does.
            Node in = find(shown, QAccessible::Slider, QStringLiteral("Punto IN"));
            Node out = find(shown, QAccessible::Slider, QStringLiteral("Punto OUT"));
            ASSERT_NE(in, nullptr);
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->valueInterface()->currentValue().toDouble(), clip->duration());
            in->valueInterface()->setCurrentValue(1.5);
            EXPECT_EQ(clip->inPoint(), 1.5);
            EXPECT_EQ(in->text(QAccessible::Value), QStringLiteral("00:00:01.50"));
            out->valueInterface()->setCurrentValue(1.0);
            EXPECT_GT(clip->outPoint().value_or(0.0), 1.5) << "OUT stays after IN, as in a drag";
        }
        if (anchor == QStringLiteral("Impostazioni blocco, Apertura")) {
            // A check box's toggle action reaches the block, as its click does.
            act(find(shown, QAccessible::CheckBox, QStringLiteral("Normalizza audio")), QAccessibleActionInterface::toggleAction());
            EXPECT_TRUE(first->normalizeAudio());
        }
        if (anchor == QStringLiteral("Streaming")) {
            // The stored format follows the screen reader's choice.
            act(find(shown, QAccessible::RadioButton, QStringLiteral("Interlacciato")), QAccessibleActionInterface::toggleAction());
            EXPECT_EQ(w.streamManager().format().scan, StreamFormat::Scan::interlaced);
        }
        static_cast<QWidget*>(shown->object())->hide();
        EXPECT_EQ(popover(anchor), nullptr);
    }

    // The schedule's tab, chosen through the tree, shows the event's row.
    Node scheduleTab = find(window, QAccessible::PushButton, QStringLiteral("Palinsesto"));
    ASSERT_NE(scheduleTab, nullptr);
    EXPECT_TRUE(scheduleTab->state().selectable);
    EXPECT_FALSE(scheduleTab->state().selected);
    act(scheduleTab, QAccessibleActionInterface::pressAction());
    test::drainMainQueue();
    EXPECT_TRUE(scheduleTab->state().selected) << "the current tab tells it";
    faults = unnamedControls(window, checked);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    rows.clear();
    for (Node row : all(window, QAccessible::ListItem))
        rows << row->text(QAccessible::Name);
    EXPECT_TRUE(hasRow(QStringLiteral("Chiusura"))) << "the schedule's event: " << rows.join(QLatin1Char('|')).toStdString();
    EXPECT_NE(find(window, QAccessible::List, QStringLiteral("Eventi del palinsesto")), nullptr);
    // The event editor, a sheet of its own.
    act(find(window, QAccessible::PushButton, QStringLiteral("Aggiungi un evento al palinsesto")),
        QAccessibleActionInterface::pressAction());
    QWidget* sheet = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        sheet = QApplication::activeModalWidget();
        return sheet != nullptr;
    }));
    Node editor = QAccessible::queryAccessibleInterface(sheet);
    EXPECT_GE(application()->indexOfChild(editor), 0);
    int inEditor = 0;
    faults = unnamedControls(editor, inEditor);
    EXPECT_TRUE(faults.isEmpty()) << "the event editor: " << faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(inEditor, 5);
    sheet->close();

    // The settings window is a frame; each section's controls are named
    // (the shortcut recorders by their action's label).
    emit w.topBar()->settingsRequested();
    QWidget* settingsWindow = SettingsWindowController::shared().window();
    ASSERT_NE(settingsWindow, nullptr);
    Node frame = QAccessible::queryAccessibleInterface(settingsWindow);
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_GE(application()->indexOfChild(frame), 0);
    QStringList sectionNames;
    for (Node section : all(frame, QAccessible::PushButton)) {
        if (qobject_cast<SettingsSidebarRow*>(section->object()))
            sectionNames << section->text(QAccessible::Name);
    }
    bool recorderFound = false;
    for (const QString& name : sectionNames) {
        SCOPED_TRACE(name.toStdString());
        act(find(frame, QAccessible::PushButton, name), QAccessibleActionInterface::pressAction());
        test::drainMainQueue();
        int inside = 0;
        faults = unnamedControls(frame, inside);
        EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
        recorderFound = recorderFound || find(frame, QAccessible::PushButton, QStringLiteral("Play / Pausa"));
    }
    EXPECT_GE(sectionNames.size(), 5) << sectionNames.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(recorderFound) << "the recorder of play/pause";
}
