#include "ArchiveHooks.h"

#include "ArchiveWindow.h"
#include "archive/Archive.h"
#include "dialogs/Dialogs.h"
#include "link/MeterState.h"
#include "stored/DataFile.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include <mutex>

namespace nd::archive::ui {

namespace {

QString g_location;
bool g_disabled = false;
/// One writer at a time, in order.
std::mutex g_writing;

const QString kLocationKey = QStringLiteral("archive/location");
const QString kAutomaticKey = QStringLiteral("archive/automatic");

} // namespace

void ArchiveHooks::setCommandLine(const QString& location, bool disabled) {
    g_location = location;
    g_disabled = disabled;
}

ArchiveHooks::ArchiveHooks(dialogs::Dialogs& dialogs, QWidget* window)
    : QObject(window), m_dialogs(dialogs), m_window(window) {
    m_writer.setMaxThreadCount(1);
    m_writer.setExpiryTimeout(-1);
}

ArchiveHooks::~ArchiveHooks() {
    wait();
}

void ArchiveHooks::wait() {
    m_writer.waitForDone();
}

QString ArchiveHooks::location() const {
    if (!g_location.isEmpty())
        return g_location;
    const QString set = QSettings().value(kLocationKey).toString();
    return set.isEmpty() ? defaultArchivePath() : set;
}

bool ArchiveHooks::automatic() const {
    return m_automatic ? m_automatic->isChecked()
                       : !g_disabled && QSettings().value(kAutomaticKey, true).toBool();
}

void ArchiveHooks::setAutomatic(bool on) {
    if (m_automatic)
        m_automatic->setChecked(on);
}

void ArchiveHooks::addMenuItems(QMenu* file, QAction* before) {
    auto* open = new QAction(QStringLiteral("Archive…"), file);
    open->setObjectName(QStringLiteral("MnuArchive"));
    connect(open, &QAction::triggered, this, [this] { showWindow(); });
    auto* import = new QAction(QStringLiteral("Import into archive…"), file);
    import->setObjectName(QStringLiteral("MnuImportArchive"));
    connect(import, &QAction::triggered, this, [this] {
        if (ArchiveWindow* w = showWindow())
            w->chooseImport();
    });
    m_automatic = new QAction(QStringLiteral("Archive automatically"), file);
    m_automatic->setObjectName(QStringLiteral("MnuArchiveAutomatic"));
    m_automatic->setCheckable(true);
    m_automatic->setChecked(!g_disabled && QSettings().value(kAutomaticKey, true).toBool());
    // --no-archive switches it off for this run only; the setting stays as it was.
    connect(m_automatic, &QAction::toggled, this, [](bool on) {
        if (!g_disabled)
            QSettings().setValue(kAutomaticKey, on);
    });
    file->insertActions(before, {open, import, m_automatic});
    file->insertSeparator(before);
}

ArchiveWindow* ArchiveHooks::showWindow() {
    if (!m_archiveWindow) {
        auto* w = new ArchiveWindow(location(), m_dialogs, m_window);
        if (!w->isReady()) {
            m_dialogs.message(m_window,
                              {w->error(), dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
            w->deleteLater();
            return nullptr;
        }
        w->setBankOpener(m_openBanks);
        connect(this, &ArchiveHooks::kept, w, &ArchiveWindow::refresh);
        m_archiveWindow = w;
        if (m_place)
            m_place(*w);
    }
    m_archiveWindow->show();
    m_archiveWindow->raise();
    return m_archiveWindow;
}

void ArchiveHooks::keep(Content content) {
    if (!automatic())
        return;
    m_writer.start([this, content = std::move(content), where = location()] {
        const std::lock_guard lock(g_writing);
        Archive archive;
        const QString text = archive.open(where) ? archive.add(content).text() : archive.error();
        QMetaObject::invokeMethod(
            this, [this, source = content.info.source, text] { emit kept(source, text); });
    });
}

void ArchiveHooks::keepLevelList(Kind kind, const stored::LevelList& list, const QString& source) {
    if (automatic())
        keep(fromLevelList(kind, list, source));
}

void ArchiveHooks::keepRecordingFile(const QString& path, const link::MeterState* state) {
    if (!automatic() || path.isEmpty())
        return;
    const stored::DataFileRead read = stored::readDataFile(path);
    if (!read.ok() || read.content->list.rows.empty())
        return;
    Content c = fromLevelList(Kind::Recording, read.content->list, QFileInfo(path).fileName());
    if (state && state->CriterionLevel > 0) {
        c.info.criterion = state->CriterionLevel;
        c.info.exchange = state->ExchangeRate;
        c.info.weighting = state->TimeWeightingText.trimmed();
    }
    keep(std::move(c));
}

} // namespace nd::archive::ui
