// The monkey: each program driven by thousands of seeded random actions, the
// way an impatient user with a mouse, a keyboard and no manual would.
//
// corvane runs on a copy of the demo book in a temporary working folder, the
// title editions in an empty one; all three with a recording voice. The
// actions: every menu entry of the window, the buttons, the shortcuts, clicks,
// keys, double clicks and the wheel on the list, the picture and the text,
// resizes down to 1 x 1 and minimising, the settings window, the builder (in a
// folder of its own inside the temporary one), the speech dialog and the find
// window, reading aloud and stopping it; while a reading runs, more actions
// arrive between its pieces. Message boxes, the colour and printer dialogs
// (printing into a PDF file) are answered at random by the recorders, and the
// exit commands are counted, not carried out.
//
// After every action: the window is there, the page counter lies within the
// catalogue, the controls show one of the three layouts, the catalogue file is
// always a whole version the builder wrote (lines complete, each ending in
// CR LF), only exit commands ask the program to end, and no window or dialog
// appeared that nobody answers. An action that runs for more than 20 seconds
// ends the run with its seed, number and name; so does a crash.
//
// Seeds. The run prints "[ monkey ] <program>: seed N". Without a seed given,
// each program has a fixed one, so CI repeats the same run. By hand:
//   AURELIS_MONKEY_SEED=N         the seed (to repeat a failing run)
//   AURELIS_MONKEY_SEED=random    a new seed, printed
//   AURELIS_MONKEY_ACTIONS=N      how many actions per program (5000)
//   AURELIS_MONKEY_TRACE=1        print every action as it starts
// for example
//   AURELIS_MONKEY_SEED=7 AURELIS_MONKEY_TRACE=1 build/dev/tests/test_monkey --gtest_filter='*/corvane'
// Each action draws its choices from a generator seeded by the seed and the
// action's number, and the auto-play timer ticks only when the monkey says
// so, so a seed gives the same actions on every run; only the moments at which
// background work (picture decoding, find) finishes vary.
#include "builder/book_plan.h"
#include "builder/frmfile.h"
#include "platform/core/error.h"
#include "platform/core/listview.h"
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/core/scrollbar.h"
#include "platform/dialogs/comdialog.h"
#include "platform/files/dir_list.h"
#include "platform/files/drive_list.h"
#include "platform/files/file_list.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/edition_profile.h"
#include "reader/frmfind.h"
#include "reader/frmthumbs.h"
#include "reader/frmmain.h"
#include "reader/picture_pane.h"
#include "speech/fake_voice.h"
#include "speech/frmreadtxt.h"
#include "speech/read_aloud.h"
#include "support/test_support.h"

#include <QAction>
#include <QListView>
#include <QScrollBar>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// Under a sanitizer its report names the action that ran into it.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

constexpr int kDefaultActions = 5000;
constexpr int kActionTimeLimitSeconds = 20;
// Actions that may arrive while one reading run waits between its pieces, and how deep
// readings started from within readings may go.
constexpr int kNestedPerAction = 8;
constexpr int kMaxDepth = 2;

// ---- where we are, for a crash or a hang ----

char g_where[768] = "monkey: not started\n";

void sayWhere()
{
    const char intro[] = "\n*** the monkey was at: ";
    [[maybe_unused]] ssize_t n = write(STDERR_FILENO, intro, sizeof intro - 1);
    n = write(STDERR_FILENO, g_where, strnlen(g_where, sizeof g_where));
}

void onFatalSignal(int sig)
{
    sayWhere();
    signal(sig, SIG_DFL);
    raise(sig);
}

void reportCrashesWithTheAction()
{
    if (&__sanitizer_set_death_callback) {
        // The sanitizer's own handlers must stay: its report is what we want.
        __sanitizer_set_death_callback(sayWhere);
        return;
    }
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        signal(sig, onFatalSignal);
}

// One action that runs too long ends the whole run: nothing else can interrupt it.
class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void started(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        what_ = what;
        since_ = std::chrono::steady_clock::now();
        armed_ = true;
    }
    void nested(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        what_ = what;
    }
    void finished()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }

private:
    void watch()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_) {
            wake_.wait_for(lock, std::chrono::milliseconds(250));
            if (armed_ && std::chrono::steady_clock::now() - since_ > std::chrono::seconds(kActionTimeLimitSeconds)) {
                std::fprintf(stderr, "\n*** monkey: an action has run for more than %d s, the program hangs: %s\n",
                             kActionTimeLimitSeconds, what_.c_str());
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::string what_;
    std::chrono::steady_clock::time_point since_;
    bool armed_ = false;
    bool done_ = false;
    std::thread thread_;
};

// The offscreen platform's complaints about what it cannot do, and Qt Test's about events
// a widget did not take, say nothing about the program.
// The rest is counted and shown once at the end: Qt's warnings point at what the
// program asked of it wrongly, though they do not fail the run.
QtMessageHandler g_previousHandler = nullptr;
std::map<QString, int> g_warnings;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support raise()")) ||
        message.contains(QLatin1String("does not support propagateSizeHints")) ||
        message.contains(QLatin1String("not accepted by receiving widget")) ||
        message.contains(QLatin1String("OpenType support missing")))
        return;
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        if (++g_warnings[message.left(160)] > 1)
            return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// ---- random choices ----

quint64 mix(quint64 z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// splitmix64: the same numbers on every platform and library.
class Dice {
public:
    explicit Dice(quint64 seed) : state_(seed) {}
    quint64 next() { return mix(state_ += 0x9E3779B97F4A7C15ull); }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<quint64>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const QList<T>& list) { return list[below(static_cast<int>(list.size()))]; }

private:
    quint64 state_;
};

// Bits of text a user types or pastes: Chinese, the separators the reading
// splits at, the catalogue's "-", path characters, a character outside the
// basic plane, and numbers of every sort for the settings' fields.
const QStringList kTextBits = {u"江南"_s, u"园林"_s, u"，"_s, u"。"_s, u","_s, u" "_s, u"a"_s, u"1"_s,
                               u"\n"_s,  u"花窗"_s, u"兵法"_s, u"孙子"_s, u"-"_s, u"\\"_s, u"/"_s, u".."_s,
                               u"𠀀"_s,  u"\t"_s,  u"%1"_s,  u"&"_s,  u"记"_s, u"莲"_s};
const QStringList kNumberTexts = {u""_s,   u"0"_s,     u"0.5"_s,    u"1"_s,       u"2.5"_s, u"30"_s,
                                  u"65.535"_s, u"66"_s, u"-1"_s,      u"1e3"_s,     u"abc"_s, u"１"_s,
                                  u"9999999999"_s, u" 3 "_s, u"3秒"_s, u"0.0001"_s, u"&H10"_s, u"200"_s,
                                  u"49"_s,  u"201"_s, u"1,5"_s, u"NaN"_s, u"inf"_s, u"32768"_s};

QString randomText(Dice& dice, int maxBits)
{
    QString text;
    const int bits = dice.below(maxBits + 1);
    for (int i = 0; i < bits; ++i)
        text += dice.pick(kTextBits);
    return text;
}

struct KeyChoice {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
};

const QList<KeyChoice> kReaderKeys = {
    {Qt::Key_F1, {}, "F1"},       {Qt::Key_F2, {}, "F2"},        {Qt::Key_F3, {}, "F3"},
    {Qt::Key_F4, {}, "F4"},       {Qt::Key_F5, {}, "F5"},        {Qt::Key_F6, {}, "F6"},
    {Qt::Key_F7, {}, "F7"},       {Qt::Key_F8, {}, "F8"},        {Qt::Key_F9, {}, "F9"},
    {Qt::Key_F10, {}, "F10"},     {Qt::Key_F11, {}, "F11"},      {Qt::Key_P, Qt::ControlModifier, "Ctrl+P"},
    {Qt::Key_T, Qt::ControlModifier, "Ctrl+T"}, {Qt::Key_F, Qt::ControlModifier, "Ctrl+F"},
    {Qt::Key_Escape, {}, "Esc"},  {Qt::Key_PageUp, {}, "PageUp"}, {Qt::Key_PageDown, {}, "PageDown"},
    {Qt::Key_Up, {}, "Up"},       {Qt::Key_Down, {}, "Down"},    {Qt::Key_Home, {}, "Home"},
    {Qt::Key_End, {}, "End"},     {Qt::Key_Return, {}, "Return"}, {Qt::Key_Space, {}, "Space"},
    {Qt::Key_Tab, {}, "Tab"},     {Qt::Key_PageDown, Qt::ShiftModifier, "Shift+PageDown"},
};
// Access keys press their button a tenth of a second later, which the monkey waits for: seldom.
const KeyChoice kExitAccessKey = {Qt::Key_E, Qt::AltModifier, "Alt+E"};
const QList<KeyChoice> kListKeys = {
    {Qt::Key_Up, {}, "Up"},     {Qt::Key_Down, {}, "Down"}, {Qt::Key_PageUp, {}, "PageUp"},
    {Qt::Key_PageDown, {}, "PageDown"}, {Qt::Key_Home, {}, "Home"}, {Qt::Key_End, {}, "End"},
    {Qt::Key_Space, {}, "Space"}, {Qt::Key_Return, {}, "Return"}, {Qt::Key_Left, {}, "Left"},
    {Qt::Key_Right, {}, "Right"}, {Qt::Key_2, {}, "2"},
};
const QList<KeyChoice> kSliderKeys = {
    {Qt::Key_Left, {}, "Left"},   {Qt::Key_Right, {}, "Right"}, {Qt::Key_PageUp, {}, "PageUp"},
    {Qt::Key_PageDown, {}, "PageDown"}, {Qt::Key_Home, {}, "Home"}, {Qt::Key_End, {}, "End"},
    {Qt::Key_Up, {}, "Up"},       {Qt::Key_Down, {}, "Down"},
};

bool endsTheProgram(const KeyChoice& k)
{
    // Esc and Alt+E press the exit button; Enter and Space press whatever button has the focus.
    return k.key == Qt::Key_Escape || k.key == Qt::Key_E || k.key == Qt::Key_Return || k.key == Qt::Key_Space;
}

// ---- the programs ----

struct ProgramCase {
    const char* name;
    reader::EditionProfile (*profile)();
    quint64 defaultSeed;
    bool demoBook;
};

const ProgramCase kPrograms[] = {
    {"corvane", reader::generalEdition, 20030815001ull, true},
    {"varnholt", reader::varnholtEdition, 20030815002ull, false},
    {"meriton", reader::meritonEdition, 20030815003ull, false},
};

void PrintTo(const ProgramCase& p, std::ostream* os) { *os << p.name; }

std::optional<quint64> seedFromEnvironment(QString* shown)
{
    const QString given = qEnvironmentVariable("AURELIS_MONKEY_SEED").trimmed();
    if (given.isEmpty())
        return std::nullopt;
    if (given == u"random") {
        std::random_device device;
        const quint64 seed = (quint64(device()) << 32) ^ device();
        *shown = u"random"_s;
        return seed;
    }
    bool ok = false;
    const quint64 seed = given.toULongLong(&ok, 0);
    *shown = u"AURELIS_MONKEY_SEED"_s;
    return ok ? std::optional<quint64>(seed) : std::nullopt;
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files)) {
        const QString target = QDir(to).filePath(f.fileName());
        QFile::copy(f.filePath(), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

// A figure of /proc/self/status, in megabytes.
long statusMb(const char* field)
{
    for (const QByteArray& line : testing_support::fileBytes(u"/proc/self/status"_s).split('\n'))
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLong() / 1024;
    return 0;
}

// Every line complete: each CR followed by LF, each LF preceded by CR, and the last line ended.
bool wholeCrLfLines(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return bytes.isEmpty() || bytes.endsWith("\r\n");
}

// ---- the monkey ----

class Monkey : public QObject {
public:
    Monkey(const ProgramCase& program, quint64 seed, int actions)
        : program_(program), seed_(seed), total_(actions), setupDice_(mix(seed)), dice_(&setupDice_)
    {
        trace_ = !qEnvironmentVariableIsEmpty("AURELIS_MONKEY_TRACE");
        previousFolder_ = QDir::currentPath();
        root_ = QDir(sandbox_.path()).canonicalPath();
        work_ = root_ + u"/work"_s;
        out_ = root_ + u"/out"_s;
        QDir().mkpath(work_);
        QDir().mkpath(out_);
        if (program_.demoBook) {
            copyFolder(testing_support::samplesDir() + u"/book"_s, work_);
            makeSourceFolder(root_ + u"/src"_s);
        }
        QDir::setCurrent(work_);
        platform::setScreenSizeOverride(QSizeF(15360, 11520));
        voices_ = std::make_shared<VoiceLog>();
        voices_->onSpeak = [this](const QString&) { onSpeak(); };
        voices_->onFormat = [this](int) {
            if (dice().chance(10))
                throw platform::Error(-2147200966, u"设备不支持该格式"_s);
        };
        boxes_.setAnswer([this](const platform::MsgRequest& r) { return answerBox(r); });
        dialogs_.answerColor([this](const platform::DialogRequest&) -> std::optional<QColor> {
            if (dice().chance(25))
                return std::nullopt;
            return QColor(dice().below(256), dice().below(256), dice().below(256));
        });
        dialogs_.answerPrinter([this](const platform::DialogRequest&, QPrinter& device) { return answerPrinter(device); });
        qApp->installEventFilter(this);
        g_previousHandler = qInstallMessageHandler(quietHandler);
        defineActions();
    }

    ~Monkey() override
    {
        stopped_ = true;
        std::snprintf(g_where, sizeof g_where, "%s seed %llu: closing down\n", program_.name,
                      static_cast<unsigned long long>(seed_));
        watchdog_.started(g_where);
        qApp->removeEventFilter(this);
        qInstallMessageHandler(g_previousHandler);
        if (w_)
            w_->Timer1.blockSignals(true);
        w_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::setScreenSizeOverride(QSizeF());
        QDir::setCurrent(previousFolder_);
    }

    void run()
    {
        std::fprintf(stderr, "[ monkey ] %s: seed %llu, %d actions, working folder %s\n", program_.name,
                     static_cast<unsigned long long>(seed_), total_, qPrintable(work_));
        std::snprintf(g_where, sizeof g_where, "%s seed %llu: starting up\n", program_.name,
                      static_cast<unsigned long long>(seed_));
        watchdog_.started(g_where);
        start();
        watchdog_.finished();
        if (program_.demoBook)
            versions_ << testing_support::fileBytes(catalogue());
        check(u"start-up"_s);

        QElapsedTimer clock;
        clock.start();
        while (index_ < total_ && !stopped_)
            topLevelAction();
        const double seconds = clock.elapsed() / 1000.0;
        QString counts;
        for (const auto& [name, n] : counts_)
            counts += QStringLiteral("%1 %2, ").arg(QString::fromUtf8(name)).arg(n);
        std::fprintf(stderr,
                     "[ monkey ] %s: %d actions (%d while reading) in %.1f s, %.0f actions/s; %d message boxes, "
                     "%d prints, %d exits counted, %d catalogues written; %.1f s waiting for delayed clicks and "
                     "searches\n[ monkey ] %s\n",
                     program_.name, index_, nestedRun_, seconds, index_ / std::max(seconds, 0.001), boxCount_,
                     printCount_, exits_.count(), std::max(0, static_cast<int>(versions_.size()) - 1), waitedMs_ / 1000.0,
                     qPrintable(counts));
        for (const auto& [message, n] : g_warnings)
            std::fprintf(stderr, "[ monkey ] %dx Qt: %s\n", n, qPrintable(message));
        g_warnings.clear();
        std::fprintf(stderr, "[ monkey ] memory now %ld MB, at most %ld MB\n", statusMb("VmRSS"), statusMb("VmHWM"));
        if (!failure_.isEmpty())
            ADD_FAILURE() << qPrintable(failure_);
    }

protected:
    // Nothing may open a window of its own that nobody answers: a dialog outside the recorders would wait for ever.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const bool dialog = qobject_cast<QDialog*>(widget) && widget->objectName() != u"CopyProgress";
            if (widget->isWindow() && (dialog || qobject_cast<QMenu*>(widget))) {
                fail(QStringLiteral("a %1 \"%2\" opened that no recorder answers")
                         .arg(QString::fromLatin1(widget->metaObject()->className()), widget->windowTitle()));
                QMetaObject::invokeMethod(widget, [widget] { widget->close(); }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    struct Action {
        const char* name;
        int weight;
        std::function<bool()> can;
        std::function<void(Dice&)> run;
    };

    // ---- set-up ----

    void makeSourceFolder(const QString& src)
    {
        const QString book = testing_support::samplesDir() + u"/book/"_s;
        QDir().mkpath(src + u"/子目录"_s);
        QDir().mkpath(src + u"/空目录"_s);
        auto put = [](const QString& from, const QString& to) {
            QFile::copy(from, to);
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        };
        put(book + u"garden_lake.jpg"_s, src + u"/湖-景.jpg"_s);
        put(book + u"taihu_rock.gif"_s, src + u"/taihu_rock.gif"_s);
        put(book + u"lattice_window.bmp"_s, src + u"/窗 格.BMP"_s);
        put(book + u"lattice_window.bmp"_s, src + u"/子目录/lattice_window.bmp"_s);
        put(book + u"p01_overview.rtf"_s, src + u"/a-b.rtf"_s);
        put(book + u"p05_corridor.txt"_s, src + u"/子目录/说明.txt"_s);
        QFile text(src + u"/说明.txt"_s);
        if (text.open(QIODevice::WriteOnly))
            text.write(platform::encodeAnsi(u"说明，一句。又一句，完。"_s));
        QFile(src + u"/空.jpg"_s).open(QIODevice::WriteOnly);
        // Real-world oddities: a metafile of each kind, an icon, a cut-off JPEG, a GIF of width 0.
        const QString corpus = testing_support::corpusDir();
        put(corpus + u"/metafile/libwmf/arrow01.wmf"_s, src + u"/arrow01.wmf"_s);
        put(corpus + u"/metafile/libemf2svg/emf/test-030.emf"_s, src + u"/test-030.emf"_s);
        put(corpus + u"/image/Pillow/hopper.ico"_s, src + u"/hopper.ico"_s);
        put(corpus + u"/image/Pillow/truncated_jpeg.jpg"_s, src + u"/truncated_jpeg.jpg"_s);
        put(corpus + u"/image/Pillow/zero_width.gif"_s, src + u"/zero_width.gif"_s);
    }

    void start()
    {
        w_ = std::make_unique<reader::frmmain>(program_.profile(), [this]() -> std::unique_ptr<platform::SpVoice> {
            if (dice().chance(5))
                throw platform::Error(-2147221164, u"没有注册类"_s);
            return std::make_unique<FakeVoice>(voices_);
        });
        alive_ = w_.get();
        w_->Form_Load();
        w_->show();
        // The monkey is the clock of auto-play: its ticks are actions, so a seed repeats.
        w_->Timer1.blockSignals(true);
        QCoreApplication::processEvents();
    }

    reader::frmmain& w() { return *w_; }
    Dice& dice() { return *dice_; }
    QString catalogue() const { return work_ + u"/docitem.txt"_s; }

    // ---- windows and widgets ----

    QWidget* settingsWindow() { return w().choice().isLoaded() ? w().choice().window() : nullptr; }
    builder::frmFile* builderWindow()
    {
        for (builder::frmFile* f : w().findChildren<builder::frmFile*>())
            if (f->isVisible())
                return f;
        return nullptr;
    }
    speech::FrmReadTxt* speechDialog()
    {
        speech::FrmReadTxt* d = w().readTxtDialog();
        return d && d->isVisible() ? d : nullptr;
    }
    reader::FrmThumbs* thumbsWindow()
    {
        reader::FrmThumbs* t = w().thumbsWindow();
        return t && t->isVisible() ? t : nullptr;
    }
    reader::FrmFind* findWindow()
    {
        reader::FrmFind* f = w().findWindow();
        return f && f->isVisible() ? f : nullptr;
    }

    static bool usable(const QWidget* x)
    {
        if (!x || !x->isVisible() || !x->isEnabled() || x->window()->isMinimized())
            return false;
        const QWidget* modal = QApplication::activeModalWidget();
        return !modal || modal == x->window();
    }
    static QPoint somewhere(Dice& dice, const QWidget* x)
    {
        return QPoint(dice.below(std::max(1, x->width())), dice.below(std::max(1, x->height())));
    }
    void activate(QWidget* window)
    {
        if (QApplication::activeWindow() == window)
            return;
        window->raise();
        window->activateWindow();
        QCoreApplication::processEvents();
    }
    void press(QWidget* target, const KeyChoice& k)
    {
        detail_ = k.name;
        QWidget* window = target->window();
        activate(window);
        QTest::keyClick(target, k.key, k.modifiers);
        // An access key presses its button the way a click looks: down now, clicked a moment later.
        if (k.modifiers & Qt::AltModifier) {
            QElapsedTimer waited;
            waited.start();
            const auto count = qScopeGuard([&] { waitedMs_ += waited.elapsed(); });
            QPointer<QWidget> alive(window);
            testing_support::waitUntil([alive] {
                if (!alive)
                    return true;
                for (const QAbstractButton* b : alive->findChildren<QAbstractButton*>())
                    if (b->isDown())
                        return false;
                return true;
            }, 2000);
        }
    }
    static void click(QWidget* x, QPoint at = QPoint())
    {
        QTest::mouseClick(x, Qt::LeftButton, {}, at.isNull() ? x->rect().center() : at);
    }
    // What the mouse gives for a double click: press, release, double click, release.
    static void doubleClick(QWidget* x, QPoint at)
    {
        QTest::mousePress(x, Qt::LeftButton, {}, at);
        QTest::mouseRelease(x, Qt::LeftButton, {}, at);
        QTest::mouseDClick(x, Qt::LeftButton, {}, at);
        QTest::mouseRelease(x, Qt::LeftButton, {}, at);
    }
    void wheel(QWidget* x, Dice& dice)
    {
        static const int angles[] = {120, -120, 240, -240, 40, -40, 360, -360};
        const int angle = angles[dice.below(8)];
        const bool sideways = dice.chance(15);
        const Qt::KeyboardModifiers mods = dice.chance(40) ? Qt::ControlModifier : Qt::NoModifier;
        detail_ = QStringLiteral("%1%2 %3").arg(mods ? u"Ctrl+"_s : QString()).arg(angle).arg(sideways ? u"sideways"_s : u""_s).toStdString();
        const QPoint at = somewhere(dice, x);
        const QPoint delta = sideways ? QPoint(angle, 0) : QPoint(0, angle);
        QWheelEvent event(at, x->mapToGlobal(at), QPoint(), delta, Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(x, &event);
    }
    // A scroll bar or slider worked with the mouse: a click somewhere on it, a drag of its thumb, or the keys.
    void workSlider(QAbstractSlider* bar, Dice& dice)
    {
        switch (dice.below(3)) {
        case 0:
            detail_ = "click";
            click(bar, somewhere(dice, bar));
            break;
        case 1: {
            detail_ = "drag";
            bar->setSliderDown(true);
            for (int i = dice.between(1, 4); i > 0; --i)
                bar->setSliderPosition(dice.between(bar->minimum(), bar->maximum()));
            bar->setSliderDown(false);
            break;
        }
        default:
            bar->setFocus();
            press(bar, dice.pick(kSliderKeys));
        }
    }
    void typeInto(QWidget* field, const QString& text, Dice& dice)
    {
        activate(field->window());
        field->setFocus();
        if (dice.chance(60))
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        typeText(field, text);
        detail_ = text.left(40).toStdString();
    }
    // Typed a character at a time, as an input method delivers Chinese: the key's text is what counts.
    static void typeText(QWidget* field, const QString& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString ch = text.mid(i, length);
            i += length - 1;
            Qt::Key key = Qt::Key_unknown;
            if (ch == u"\n")
                key = Qt::Key_Return;
            else if (ch == u"\t")
                key = Qt::Key_Tab;
            else if (ch.size() == 1 && ch[0].unicode() < 0x80 && ch[0].isLetterOrNumber())
                key = static_cast<Qt::Key>(ch[0].toUpper().unicode());
            QTest::sendKeyEvent(QTest::Click, field, key, ch, Qt::NoModifier);
        }
    }
    // A row of a list, brought into view and clicked (or double-clicked).
    bool clickRow(QAbstractItemView* view, const QModelIndex& index, bool twice)
    {
        if (!index.isValid())
            return false;
        view->scrollTo(index);
        const QRect rect = view->visualRect(index).intersected(view->viewport()->rect());
        if (rect.isEmpty())
            return false;
        if (twice)
            doubleClick(view->viewport(), rect.center());
        else
            click(view->viewport(), rect.center());
        return true;
    }

    // ---- the actions ----

    void add(const char* name, int weight, std::function<bool()> can, std::function<void(Dice&)> run)
    {
        actions_.push_back(Action{name, weight, std::move(can), std::move(run)});
    }

    void defineActions()
    {
        auto readerUp = [this] { return !w().isMinimized() && w().isVisible(); };

        // -- the reader window --
        add("menu entry", 14, readerUp, [this](Dice& d) {
            const QList<QAction*> entries = w().actions();
            QAction* a = entries[d.below(static_cast<int>(entries.size()))];
            detail_ = a->text().toStdString();
            if (a == w().menuExit)
                exitAllowed_ = true;
            a->trigger();
        });
        add("button", 16, readerUp, [this](Dice& d) {
            QList<QPushButton*> buttons;
            for (QPushButton* b : w().CmdPic)
                if (usable(b))
                    buttons << b;
            if (buttons.isEmpty())
                return;
            QPushButton* b = d.pick(buttons);
            detail_ = b->text().toStdString();
            if (b == w().CmdPic[7])
                exitAllowed_ = true;
            click(b);
        });
        add("read aloud", 3, [this] { return usable(w().CmdRead); }, [this](Dice&) { click(w().CmdRead); });
        add("reader key", 14, readerUp, [this](Dice& d) {
            const KeyChoice& k = d.chance(2) ? kExitAccessKey : d.pick(kReaderKeys);
            exitAllowed_ |= endsTheProgram(k);
            QWidget* target = w().focusWidget();
            if (d.chance(30) || !target || !target->isVisible()) {
                const QList<QWidget*> focusable = {w().listVW, w().RTBoxShow[0], w().CmdPic[d.below(8)], w().CmdRead};
                target = d.pick(focusable);
                if (!usable(target))
                    target = &w();
                target->setFocus();
            }
            press(target, k);
        });
        add("list click", 8, [this] { return usable(w().listVW) && w().listVW->count() > 0; }, [this](Dice& d) {
            const int row = d.below(w().listVW->count());
            detail_ = std::to_string(row + 1);
            clickRow(w().listVW, w().listVW->model()->index(row, d.below(4)), false);
        });
        add("list double click", 2, [this] { return usable(w().listVW) && w().listVW->count() > 0; },
            [this](Dice& d) {
                const int row = d.below(w().listVW->count());
                detail_ = std::to_string(row + 1);
                clickRow(w().listVW, w().listVW->model()->index(row, d.below(4)), true);
            });
        add("list key", 5, [this] { return usable(w().listVW); }, [this](Dice& d) {
            w().listVW->setFocus();
            press(w().listVW, d.pick(kListKeys));
        });
        add("list header", 1, [this] { return usable(w().listVW) && w().listVW->header()->count() > 0; },
            [this](Dice& d) {
                QHeaderView* header = w().listVW->header();
                const int section = d.below(header->count());
                detail_ = std::to_string(section);
                const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
                if (x >= 0 && x < header->viewport()->width())
                    click(header->viewport(), QPoint(x, header->height() / 2));
            });
        add("picture click", 4, [this] { return usable(w().ImgPic); },
            [this](Dice& d) { click(w().ImgPic, somewhere(d, w().ImgPic)); });
        add("picture double click", 3, [this] { return usable(w().ImgPic); },
            [this](Dice& d) { doubleClick(w().ImgPic, somewhere(d, w().ImgPic)); });
        add("wheel", 8, readerUp, [this](Dice& d) {
            QList<QWidget*> targets = {w().PicPic->inner(), w().PicPic, w().listVW->viewport(),
                                       w().RTBoxShow[0]->viewport()};
            if (usable(w().ImgPic))
                targets << w().ImgPic << w().ImgPic;
            QWidget* target = d.pick(targets);
            if (usable(target))
                wheel(target, d);
        });
        add("picture scroll bar", 4, [this] { return usable(w().HScr) || usable(w().VScr); }, [this](Dice& d) {
            platform::ScrollBar* bar = usable(w().HScr) && (!usable(w().VScr) || d.chance(50)) ? w().HScr : w().VScr;
            workSlider(bar, d);
        });
        add("page text", 2, [this] { return usable(w().RTBoxShow[0]); }, [this](Dice& d) {
            platform::RichTextBox* box = w().RTBoxShow[0];
            if (d.chance(50)) {
                click(box->viewport(), somewhere(d, box->viewport()));
            } else {
                static const QList<KeyChoice> keys = {{Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
                                                      {Qt::Key_Down, {}, "Down"},
                                                      {Qt::Key_End, Qt::ControlModifier, "Ctrl+End"},
                                                      {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
                                                      {Qt::Key_Home, Qt::ControlModifier, "Ctrl+Home"}};
                box->setFocus();
                press(box, d.pick(keys));
            }
        });
        add("resize", 5, [this] { return w().isVisible(); }, [this](Dice& d) {
            resizeReader(d);
            detail_ += " -> " + std::to_string(w().width()) + "x" + std::to_string(w().height());
        });
        add("auto-play tick", 6, [this] { return w().Timer1.interval() != 0; }, [this](Dice&) {
            w().Timer1.blockSignals(false);
            emit w().Timer1.timeout();
            w().Timer1.blockSignals(true);
        });
        add("close box", 1, readerUp, [this](Dice&) {
            exitAllowed_ = true;
            w().close();
            // The end is only counted; the window goes on.
            if (w().isHidden())
                w().show();
        });
        add("idle", 2, [] { return true; },
            [](Dice&) { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
        add("stop reading", 30, [this] { return readingButton() != nullptr; },
            [this](Dice&) {
                QAbstractButton* b = readingButton();
                detail_ = b->objectName().toStdString();
                click(b);
            });

        if (program_.demoBook)
            defineBookFileActions();
        defineSettingsActions();
        defineBuilderActions();
        defineSpeechActions();
        defineFindActions();
        defineThumbActions();
    }

    QAbstractButton* readingButton()
    {
        if (usable(w().CmdRead) && w().CmdRead->text() == speech::kCaptionReading)
            return w().CmdRead;
        if (speech::FrmReadTxt* d = speechDialog(); d && usable(d->SpeakBtn) && d->SpeakBtn->text() == speech::kCaptionReading)
            return d->SpeakBtn;
        return nullptr;
    }

    void resizeReader(Dice& d)
    {
        if (w().isMinimized()) {
            detail_ = "restore";
            if (d.chance(70))
                w().showNormal();
            else
                w().showMaximized();
            return;
        }
        switch (d.below(9)) {
        case 0: detail_ = "1x1"; w().resize(1, 1); break;
        case 1: detail_ = "50x30"; w().resize(50, 30); break;
        case 2: {
            const QSize s(d.between(1, 300), d.between(1, 200));
            detail_ = std::to_string(s.width()) + "x" + std::to_string(s.height());
            w().resize(s);
            break;
        }
        case 3: {
            const QSize s(d.between(200, 1100), d.between(150, 800));
            detail_ = std::to_string(s.width()) + "x" + std::to_string(s.height());
            w().resize(s);
            break;
        }
        case 4: {
            const float twips = static_cast<float>(d.between(0, 16000));
            detail_ = "Width " + std::to_string(int(twips));
            w().setFormWidth(twips);
            break;
        }
        case 5: {
            const float twips = static_cast<float>(d.between(0, 12000));
            detail_ = "Height " + std::to_string(int(twips));
            w().setFormHeight(twips);
            break;
        }
        case 6: detail_ = "minimise"; w().showMinimized(); break;
        case 7: detail_ = "maximise"; w().showMaximized(); break;
        default: detail_ = "normal"; w().showNormal(); break;
        }
    }

    // The book's files change under the reader, as files from anywhere do: a
    // page picture or text is removed, cut short, written over with rubbish,
    // damaged in a few bytes, or put back. The catalogue is the builder's alone.
    void defineBookFileActions()
    {
        for (const QFileInfo& f : QDir(work_).entryInfoList(QDir::Files))
            originals_.insert(f.fileName(), testing_support::fileBytes(f.filePath()));
        add("book file changes", 2, [] { return true; }, [this](Dice& d) {
            QStringList names = originals_.keys();
            for (const QString& name : QDir(work_).entryList(QDir::Files))
                if (!names.contains(name))
                    names << name;
            names.removeAll(u"docitem.txt"_s);
            names.removeAll(u"docitem"_s);
            names.sort();
            const QString name = d.pick(names);
            const QString path = work_ + u'/' + name;
            QByteArray bytes = testing_support::fileBytes(path);
            QFile file(path);
            switch (d.below(5)) {
            case 0:
                detail_ = "remove " + name.toStdString();
                QFile::remove(path);
                return;
            case 1:
                detail_ = "cut short " + name.toStdString();
                bytes.truncate(d.below(static_cast<int>(bytes.size()) + 1));
                break;
            case 2: {
                detail_ = "rubbish " + name.toStdString();
                bytes = QByteArray(d.below(4097), '\0');
                for (char& c : bytes)
                    c = static_cast<char>(d.below(256));
                break;
            }
            case 3:
                detail_ = "damage " + name.toStdString();
                for (int i = d.between(1, 8); i > 0 && !bytes.isEmpty(); --i)
                    bytes[d.below(static_cast<int>(bytes.size()))] = static_cast<char>(d.below(256));
                break;
            default:
                detail_ = "put back " + name.toStdString();
                if (!originals_.contains(name))
                    return;
                bytes = originals_.value(name);
                break;
            }
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(bytes);
        });
    }

    void defineSettingsActions()
    {
        auto up = [this] { return usable(settingsWindow()); };
        auto child = [this](const char* name) -> QWidget* {
            QWidget* s = settingsWindow();
            return s ? s->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
        };
        add("settings colour", 3, up, [this, child](Dice& d) {
            const std::string name = "OptBackColor" + std::to_string(d.below(6));
            detail_ = name;
            if (QWidget* option = child(name.c_str()); usable(option))
                click(option);
        });
        add("settings scroll bar", 4, up, [this, child](Dice& d) {
            auto* bar = qobject_cast<QAbstractSlider*>(child(d.chance(50) ? "HScrTime" : "HScrTs"));
            if (usable(bar))
                workSlider(bar, d);
        });
        add("settings text", 3, up, [this, child](Dice& d) {
            QWidget* field = child(d.chance(60) ? "TxtTime" : "txtPicTs");
            if (!usable(field))
                return;
            typeInto(field, d.pick(kNumberTexts), d);
            if (d.chance(30))
                QTest::keyClick(field, Qt::Key_Tab);
        });
        add("settings exit", 1, up, [this, child](Dice& d) {
            QWidget* s = settingsWindow();
            const int way = d.below(10);
            if (way < 5) {
                detail_ = "button";
                click(child("CmdOK"));
            } else if (way < 9) {
                detail_ = "close box";
                s->close();
            } else {
                press(s, {Qt::Key_O, Qt::AltModifier, "Alt+O"});
            }
        });
    }

    void defineBuilderActions()
    {
        auto up = [this] { return usable(builderWindow()); };
        add("builder picture", 4, up, [this](Dice& d) { clickFile(builderWindow()->FileList, d); });
        add("builder text", 3, up, [this](Dice& d) { clickFile(builderWindow()->FileTxt, d); });
        add("builder folder", 2, up, [this](Dice& d) {
            platform::DirList* dirs = builderWindow()->DirList;
            // Only folders inside the monkey's own: the builder copies from wherever it stands.
            QList<int> lines;
            const QStringList folders = dirs->lineFolders();
            for (int i = 0; i < folders.size(); ++i)
                if (folders[i] == root_ || folders[i].startsWith(root_ + u'/'))
                    lines << i;
            if (lines.isEmpty())
                return;
            const int line = d.pick(lines);
            detail_ = folders[line].mid(root_.size()).toStdString();
            QListWidgetItem* item = dirs->item(line);
            if (d.chance(70)) {
                clickRow(dirs, dirs->indexFromItem(item), true);
            } else {
                clickRow(dirs, dirs->indexFromItem(item), false);
                dirs->setFocus();
                press(dirs, {Qt::Key_Return, {}, "Return"});
            }
        });
        add("builder drive", 1, up, [this](Dice& d) {
            platform::DriveList* drives = builderWindow()->DriveList;
            drives->setFocus();
            press(drives, d.chance(50) ? KeyChoice{Qt::Key_Down, {}, "Down"} : KeyChoice{Qt::Key_Up, {}, "Up"});
        });
        add("builder choose all", 2, [this] { return builderWindow() && usable(builderWindow()->CmdChoice); },
            [this](Dice&) { click(builderWindow()->CmdChoice); });
        add("builder undo all", 1, up, [this](Dice&) { click(builderWindow()->CmdNot); });
        add("builder confirm", 2, up, [this](Dice& d) {
            builder::frmFile* f = builderWindow();
            if (d.chance(70)) {
                click(f->CmdOk);
            } else {
                press(f, {Qt::Key_O, Qt::AltModifier, "Alt+O"});
            }
        });
        add("builder pairing list", 1, [this] { return builderWindow() && builderWindow()->lvwFile->count() > 0; },
            [this](Dice& d) {
                platform::ListView* list = builderWindow()->lvwFile;
                if (d.chance(50))
                    clickRow(list, list->model()->index(d.below(list->count()), d.below(3)), d.chance(30));
                else
                    press(list, d.pick(kListKeys));
            });
        add("builder exit", 1, up, [this](Dice& d) {
            builder::frmFile* f = builderWindow();
            switch (d.below(3)) {
            case 0: detail_ = "button"; click(f->CmdCancle); break;
            case 1: press(f, {Qt::Key_Escape, {}, "Esc"}); break;
            default: detail_ = "close box"; f->close(); break;
            }
        });
    }

    void clickFile(platform::FileList* list, Dice& d)
    {
        if (list->count() == 0)
            return;
        const int row = d.below(list->count());
        detail_ = list->item(row)->text().toStdString();
        if (d.chance(80)) {
            clickRow(list, list->indexFromItem(list->item(row)), false);
        } else {
            list->setCurrentRow(row);
            list->setFocus();
            press(list, {Qt::Key_Space, {}, "Space"});
        }
    }

    void defineSpeechActions()
    {
        auto up = [this] { return usable(speechDialog()); };
        add("speech text", 3, up, [this](Dice& d) {
            QPlainTextEdit* box = speechDialog()->MainTxtBox;
            if (d.chance(20)) {
                // Pasted: a long text at once.
                QString text;
                for (int i = d.between(1, 60); i > 0; --i)
                    text += randomText(d, 12) + u"，"_s;
                detail_ = "paste " + std::to_string(text.size());
                if (d.chance(50))
                    box->selectAll();
                box->insertPlainText(text);
            } else {
                typeInto(box, randomText(d, 8), d);
            }
        });
        add("speech rate", 1, up, [this](Dice& d) { workSlider(speechDialog()->RateSldr, d); });
        add("speech volume", 1, up, [this](Dice& d) { workSlider(speechDialog()->VolumeSldr, d); });
        add("speech voice", 1, up, [this](Dice& d) { pickInCombo(speechDialog()->VoiceCB, d); });
        add("speech format", 2, up, [this](Dice& d) { pickInCombo(speechDialog()->FormatCB, d); });
        add("speech speak", 3, [this] { return speechDialog() && usable(speechDialog()->SpeakBtn); },
            [this](Dice&) { click(speechDialog()->SpeakBtn); });
        add("speech exit", 1, up, [this](Dice& d) {
            speech::FrmReadTxt* s = speechDialog();
            if (d.chance(60)) {
                detail_ = "button";
                click(s->StopBtn);
            } else {
                detail_ = "close box";
                s->close();
            }
        });
    }

    void pickInCombo(QComboBox* combo, Dice& d)
    {
        static const QList<KeyChoice> keys = {{Qt::Key_Down, {}, "Down"}, {Qt::Key_Up, {}, "Up"},
                                              {Qt::Key_End, {}, "End"},   {Qt::Key_Home, {}, "Home"},
                                              {Qt::Key_PageDown, {}, "PageDown"}};
        if (!usable(combo))
            return;
        combo->setFocus();
        press(combo, d.pick(keys));
    }

    void defineFindActions()
    {
        auto up = [this] { return usable(findWindow()); };
        add("find type", 4, up, [this](Dice& d) {
            reader::FrmFind* f = findWindow();
            typeInto(f->TxtFind, randomText(d, 3), d);
            if (d.chance(50)) {
                QTest::keyClick(f->TxtFind, Qt::Key_Return);
                waitForSearch();
            }
        });
        add("find wait", 2, [this] { return findWindow() && findWindow()->searching(); },
            [this](Dice&) { waitForSearch(); });
        add("find hit", 4, [this] { return usable(findWindow()) && findWindow()->listHits->topLevelItemCount() > 0; },
            [this](Dice& d) {
                QTreeWidget* hits = findWindow()->listHits;
                const int row = d.below(hits->topLevelItemCount());
                detail_ = std::to_string(row);
                if (d.chance(70)) {
                    clickRow(hits, hits->model()->index(row, d.below(3)), true);
                } else {
                    hits->setCurrentItem(hits->topLevelItem(row));
                    hits->setFocus();
                    press(hits, {Qt::Key_Return, {}, "Return"});
                }
            });
        add("find key", 2, up, [this](Dice& d) {
            static const QList<KeyChoice> keys = {{Qt::Key_Down, {}, "Down"},
                                                  {Qt::Key_Return, {}, "Return"},
                                                  {Qt::Key_Escape, {}, "Esc"},
                                                  {Qt::Key_F, Qt::ControlModifier, "Ctrl+F"},
                                                  {Qt::Key_Backspace, {}, "Backspace"}};
            reader::FrmFind* f = findWindow();
            QWidget* target = f->focusWidget() ? f->focusWidget() : f->TxtFind;
            press(target, d.pick(keys));
        });
        add("find resize", 1, up, [this](Dice& d) {
            static const QSize sizes[] = {{1, 1}, {50, 30}, {560, 360}, {900, 120}, {200, 700}};
            const QSize s = sizes[d.below(5)];
            detail_ = std::to_string(s.width()) + "x" + std::to_string(s.height());
            findWindow()->resize(s);
        });
        add("find close", 1, up, [this](Dice&) { findWindow()->close(); });
    }

    void defineThumbActions()
    {
        auto up = [this] { return usable(thumbsWindow()); };
        add("thumbnail click", 3, up, [this](Dice& d) {
            QListView* list = thumbsWindow()->listThumbs;
            const int rows = list->model()->rowCount();
            if (rows == 0)
                return;
            const QModelIndex row = list->model()->index(d.below(rows), 0);
            detail_ = std::to_string(row.row());
            list->scrollTo(row);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        });
        add("thumbnail scroll", 2, up, [this](Dice& d) {
            QScrollBar* bar = thumbsWindow()->listThumbs->verticalScrollBar();
            bar->setValue(bar->minimum() + d.below(std::max(1, bar->maximum() - bar->minimum() + 1)));
        });
        add("thumbnail resize", 1, up, [this](Dice& d) {
            static const QSize sizes[] = {{1, 1}, {120, 90}, {600, 400}, {1200, 200}, {200, 900}};
            const QSize s = sizes[d.below(5)];
            detail_ = std::to_string(s.width()) + "x" + std::to_string(s.height());
            thumbsWindow()->resize(s);
        });
        add("thumbnail Esc", 1, up, [this](Dice&) { press(thumbsWindow()->listThumbs, {Qt::Key_Escape, {}, "Esc"}); });
    }

    // A search runs on its worker after a typing pause: it is let finish between
    // actions (as if the user paused), so what the find window lists never
    // depends on how fast the machine is, and a seed repeats.
    void settleBackgroundWork()
    {
        // Thumbnails decode on their workers: let them land between actions, as a pause would.
        if (reader::FrmThumbs* t = w().thumbsWindow()) {
            QPointer<reader::ThumbnailModel> model(t->model());
            testing_support::waitUntil([model] { return !model || model->isIdle(); }, 3000);
        }
        reader::FrmFind* f = w().findWindow();
        if (!f || !f->searching())
            return;
        f->TxtFind_Enter();  // while a search is due or running, Enter only starts it now
        waitForSearch();
    }

    void waitForSearch()
    {
        reader::FrmFind* f = w().findWindow();
        if (f && f->searching()) {
            QElapsedTimer waited;
            waited.start();
            const auto count = qScopeGuard([&] { waitedMs_ += waited.elapsed(); });
            QPointer<reader::FrmFind> find(f);
            testing_support::waitUntil([find] { return !find || !find->searching(); }, 3000);
        }
    }

    // ---- running actions ----

    void topLevelAction()
    {
        nestedLeft_ = kNestedPerAction;
        voices_->spoken.clear();
        voices_->speakFlags.clear();
        voices_->ratesAtSpeak.clear();
        runOneAction(true);
        if (stopped_)
            return;
        settleBackgroundWork();
        QCoreApplication::processEvents();
        // Windows closed by this action go now, as they would when the event loop comes round.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        adoptNewWindows();
        check(u"after the action"_s);
        watchdog_.finished();
    }

    void runOneAction(bool topLevel)
    {
        const int index = index_++;
        Dice d(mix(seed_ ^ mix(static_cast<quint64>(index))));
        // Only what can be done now is chosen from.
        int total = 0;
        std::vector<const Action*> open;
        for (const Action& a : actions_) {
            if (a.can()) {
                open.push_back(&a);
                total += a.weight;
            }
        }
        if (open.empty())
            return;
        int roll = d.below(total);
        const Action* chosen = open.back();
        for (const Action* a : open) {
            if (roll < a->weight) {
                chosen = a;
                break;
            }
            roll -= a->weight;
        }

        const QString outer = current_;
        current_ = QStringLiteral("%1 seed %2 action #%3 \"%4\"")
                       .arg(QString::fromLatin1(program_.name))
                       .arg(seed_)
                       .arg(index)
                       .arg(QString::fromLatin1(chosen->name));
        if (!topLevel)
            current_ += u" (while reading, in "_s + outer + u")"_s;
        std::snprintf(g_where, sizeof g_where, "%s\n", qPrintable(current_));
        if (topLevel)
            watchdog_.started(current_.toStdString());
        else
            watchdog_.nested(current_.toStdString());
        if (trace_)
            std::fprintf(stderr, "[ monkey ] #%d%s %s\n", index, topLevel ? "" : " (nested)", chosen->name);
        ++counts_[chosen->name];

        Dice* previousDice = dice_;
        dice_ = &d;
        detail_.clear();
        try {
            chosen->run(d);
        } catch (const std::exception& e) {
            fail(QStringLiteral("an exception escaped: %1").arg(QString::fromLocal8Bit(e.what())));
        } catch (...) {
            fail(u"an exception escaped"_s);
        }
        if (trace_ && !detail_.empty())
            std::fprintf(stderr, "[ monkey ]     %s\n", detail_.c_str());
        dice_ = previousDice;
        lastAction_ = current_ + (detail_.empty() ? QString() : u" "_s + QString::fromStdString(detail_));
        current_ = outer;
    }

    // Called inside the voice's Speak: now and then the user does something
    // more, which the window receives between two pieces.
    void onSpeak()
    {
        if (stopped_ || depth_ >= kMaxDepth || nestedLeft_ <= 0 || !dice().chance(15))
            return;
        --nestedLeft_;
        postNested();
    }

    void postNested()
    {
        QMetaObject::invokeMethod(this, [this] { runNested(); }, Qt::QueuedConnection);
    }

    void runNested()
    {
        if (stopped_ || index_ >= total_)
            return;
        // A modal box or the copying window takes no input: the action waits for it.
        if (inBox_ > 0 || QApplication::activeModalWidget()) {
            postNested();
            return;
        }
        ++depth_;
        ++nestedRun_;
        runOneAction(false);
        if (!stopped_)
            check(u"after an action while reading"_s);
        --depth_;
    }

    // Windows the program opened: the builder looks at the monkey's drives only.
    void adoptNewWindows()
    {
        builder::frmFile* f = builderWindow();
        if (!f || f == adoptedBuilder_)
            return;
        adoptedBuilder_ = f;
        const QString root = root_;
        f->DriveList->setSource([root] {
            return QList<platform::Drive>{{root, u"书库"_s, false}, {root + u"/无盘"_s, u"无盘"_s, true}};
        });
        f->DriveList->showDriveOf(f->DirList->path());
        // Now and then the copying window shows at once; otherwise never, whatever the machine's speed.
        f->setCopyProgressDelay(dice().chance(30) ? 0 : 3600 * 1000);
    }

    // ---- answers ----

    platform::MsgResult answerBox(const platform::MsgRequest& r)
    {
        ++boxCount_;
        const bool naming = r.title == u"选择“否”，将以图片文件名作为目录名"_s;
        platform::MsgResult answer = platform::MsgResult::OK;
        switch (r.buttons) {
        case platform::MsgButtons::OK: answer = platform::MsgResult::OK; break;
        case platform::MsgButtons::OKCancel:
            answer = dice().chance(70) ? platform::MsgResult::OK : platform::MsgResult::Cancel;
            break;
        case platform::MsgButtons::YesNo:
            answer = dice().chance(50) ? platform::MsgResult::Yes : platform::MsgResult::No;
            break;
        }
        if (naming)
            expectCatalogue(answer == platform::MsgResult::Yes);
        // Written, whether every file arrived or the box names those that did not.
        if (r.text.startsWith(u"已经制作好图文播放目录"_s))
            catalogueWritten();
        if (r.text.startsWith(u"无法"_s))
            pending_.reset();
        checkCatalogue(u"while a message box asked \""_s + r.text + u"\""_s);
        // The box's own event loop: timers, finished searches and decodes go on; input does not.
        ++inBox_;
        QCoreApplication::processEvents();
        --inBox_;
        return answer;
    }

    bool answerPrinter(QPrinter& device)
    {
        if (dice().chance(25))
            return false;
        ++printCount_;
        printedPdf_ = out_ + QStringLiteral("/print-%1.pdf").arg(printCount_ % 3);
        QFile::remove(printedPdf_);
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(printedPdf_);
        device.setPageOrientation(dice().chance(50) ? QPageLayout::Portrait : QPageLayout::Landscape);
        return true;
    }

    // The naming question comes after the old catalogue is backed up and before anything is written:
    // from the pairing rows as they stand, what the builder must write.
    void expectCatalogue(bool textNames)
    {
        builder::frmFile* f = builderWindow();
        if (!f)
            return fail(u"the builder asked its naming question without a builder window"_s);
        QVector<builder::PairRow> rows;
        for (int i = 1; i <= f->lvwFile->count(); ++i)
            rows.append({f->lvwFile->subItem(i, 1), f->lvwFile->subItem(i, 2)});
        QByteArray bytes;
        pendingLines_ = 0;
        for (const builder::RowPlan& plan :
             builder::planBook(rows, textNames ? builder::EntryNames::FromText : builder::EntryNames::FromPicture)) {
            bytes += platform::encodeAnsi(plan.line) + "\r\n";
            ++pendingLines_;
        }
        pending_ = bytes;
        beforeConfirm_ = testing_support::fileBytes(catalogue());
    }

    void catalogueWritten()
    {
        if (!pending_)
            return fail(u"the builder said it wrote the catalogue without asking how to name the entries"_s);
        const QByteArray now = testing_support::fileBytes(catalogue());
        if (now != *pending_)
            fail(QStringLiteral("the catalogue written is not the pairing list: %1 bytes, %2 expected")
                     .arg(now.size())
                     .arg(pending_->size()));
        if (testing_support::fileBytes(work_ + u"/docitem"_s) != beforeConfirm_)
            fail(u"the backup \"docitem\" is not the catalogue as it was before"_s);
        if (w().listVW->count() != std::min(pendingLines_, 32767))
            fail(QStringLiteral("the reader lists %1 pages of a catalogue of %2 lines")
                     .arg(w().listVW->count())
                     .arg(pendingLines_));
        versions_ << *pending_;
        pending_.reset();
    }

    // ---- invariants ----

    void checkCatalogue(const QString& where)
    {
        if (!program_.demoBook) {
            return;
        }
        const QString path = catalogue();
        if (!QFile::exists(path))
            return fail(u"the catalogue file is gone "_s + where);
        const QByteArray bytes = testing_support::fileBytes(path);
        if (!wholeCrLfLines(bytes))
            return fail(QStringLiteral("the catalogue is half-written (%1 bytes, lines not whole) %2").arg(bytes.size()).arg(where));
        if (!versions_.contains(bytes) && (!pending_ || bytes != *pending_))
            fail(QStringLiteral("the catalogue (%1 bytes) is none of the versions written %2").arg(bytes.size()).arg(where));
    }

    void check(const QString& where)
    {
        if (stopped_)
            return;
        if (!alive_)
            return fail(u"the reader window is gone "_s + where);
        reader::frmmain& m = w();
        const int rows = m.listVW->count();
        const int page = m.currentPage();
        // The help command makes it 1 even in a book without pages. A builder that
        // wrote a shorter book leaves it where it was, past the new last row, until
        // the next page wraps: it stays within the longest book seen.
        mostRows_ = std::max(mostRows_, rows);
        if (page < 0 || page > std::max(mostRows_, 1))
            return fail(QStringLiteral("the page counter is %1 in a catalogue of %2 rows (at most %3 so far) %4")
                            .arg(page)
                            .arg(rows)
                            .arg(mostRows_)
                            .arg(where));

        const bool panel = !m.FraTxtCmd->isHidden();
        const bool picture = !m.PicPic->isHidden();
        const bool text = !m.RTBoxShow[0]->isHidden();
        const reader::LayoutMode mode = m.layoutMode();
        const bool consistent = mode == reader::LayoutMode::Standard      ? panel && picture && text
                                : mode == reader::LayoutMode::TextMaximum ? panel && !picture && text
                                                                          : !panel && picture && !text;
        if (!consistent || m.menuBar()->isHidden() || m.statusBar()->isHidden() || !m.RTBoxShow[1]->isHidden())
            return fail(QStringLiteral("the controls show no layout: panel %1, picture %2, text %3, menu %4, status %5, help box %6 %7")
                            .arg(panel)
                            .arg(picture)
                            .arg(text)
                            .arg(!m.menuBar()->isHidden())
                            .arg(!m.statusBar()->isHidden())
                            .arg(!m.RTBoxShow[1]->isHidden())
                            .arg(where));

        checkCatalogue(where);
        if (!program_.demoBook && index_ % 50 == 0) {
            const QStringList left = QDir(work_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            if (!left.isEmpty())
                return fail(u"the title edition wrote into its folder: "_s + left.join(u", "_s));
        }
        if (exits_.count() != lastExits_) {
            if (!exitAllowed_)
                return fail(u"the program asked to end, though no exit command was given "_s + where);
            lastExits_ = exits_.count();
        }
        if (depth_ == 0)
            exitAllowed_ = false;
        if (!printedPdf_.isEmpty() && depth_ == 0) {
            // A print the dialog sent to a file is in that file, unless the status bar says why not.
            if (QFileInfo(printedPdf_).size() <= 0 && m.panelText(3).isEmpty())
                return fail(u"a print answered with a PDF file wrote nothing "_s + where);
            printedPdf_.clear();
        }

        QList<QWidget*> known = {&m, settingsWindow(), w().readTxtDialog(), w().findWindow(), w().thumbsWindow()};
        for (builder::frmFile* f : m.findChildren<builder::frmFile*>())
            known << f;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && !known.contains(top) && !top->inherits("QTipLabel"))
                return fail(QStringLiteral("an unexpected window is open: %1 \"%2\" %3")
                                .arg(QString::fromLatin1(top->metaObject()->className()), top->windowTitle(), where));
        }
    }

    void fail(const QString& what)
    {
        if (!failure_.isEmpty())
            return;
        failure_ = QStringLiteral("%1 seed %2: %3\n  during: %4\n  last finished: %5\n  repeat with AURELIS_MONKEY_SEED=%2 "
                                  "AURELIS_MONKEY_ACTIONS=%6 --gtest_filter='*/%1'")
                       .arg(QString::fromLatin1(program_.name))
                       .arg(seed_)
                       .arg(what, current_.isEmpty() ? u"-"_s : current_, lastAction_.isEmpty() ? u"-"_s : lastAction_)
                       .arg(index_ + 1);
        stopped_ = true;
    }

    const ProgramCase& program_;
    const quint64 seed_;
    const int total_;
    bool trace_ = false;

    QTemporaryDir sandbox_;
    QString root_, work_, out_, previousFolder_;

    platform::MessageBoxRecorder boxes_;
    platform::DialogRecorder dialogs_;
    platform::ExitInterceptor exits_;
    std::shared_ptr<VoiceLog> voices_;
    std::unique_ptr<reader::frmmain> w_;
    QPointer<reader::frmmain> alive_;
    QPointer<builder::frmFile> adoptedBuilder_;

    std::vector<Action> actions_;
    Dice setupDice_;
    Dice* dice_;
    Watchdog watchdog_;
    int index_ = 0;
    int depth_ = 0;
    int nestedLeft_ = 0;
    int nestedRun_ = 0;
    int inBox_ = 0;
    bool stopped_ = false;
    bool exitAllowed_ = false;
    int lastExits_ = 0;
    QString current_, lastAction_, failure_;
    std::string detail_;

    QList<QByteArray> versions_;
    std::optional<QByteArray> pending_;
    int pendingLines_ = 0;
    QByteArray beforeConfirm_;
    QString printedPdf_;
    QHash<QString, QByteArray> originals_;  // the demo book's files as they came

    std::map<std::string, int> counts_;
    int boxCount_ = 0;
    int printCount_ = 0;
    int mostRows_ = 0;  // the longest book the list has held
    qint64 waitedMs_ = 0;  // on the clock: access keys' delayed clicks, searches on their worker
};

class MonkeyTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(MonkeyTest, SurvivesSeededRandomActions)
{
    reportCrashesWithTheAction();
    const ProgramCase& program = GetParam();
    QString origin = u"default"_s;
    const quint64 seed = seedFromEnvironment(&origin).value_or(program.defaultSeed);
    bool ok = false;
    int actions = qEnvironmentVariable("AURELIS_MONKEY_ACTIONS").toInt(&ok);
    if (!ok || actions <= 0)
        actions = kDefaultActions;
    RecordProperty("seed", std::to_string(seed));
    RecordProperty("seed_origin", origin.toStdString());

    Monkey monkey(program, seed, actions);
    monkey.run();
}

INSTANTIATE_TEST_SUITE_P(Programs, MonkeyTest, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<ProgramCase>& info) { return std::string(info.param.name); });

} // namespace
