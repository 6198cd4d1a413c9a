#include "Setup.h"

#include "SetupRequest.h"
#include "SetupRunner.h"
#include "dialogs/Dialogs.h"
#include "link/MeterLink.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace nd::setup {

namespace {
constexpr int kCriterionLevels[] = {80, 84, 85, 90};
constexpr int kExchangeRates[] = {3, 4, 5, 6};

template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

QComboBox* numberBox(const QString& name, int from, int to) {
    auto* box = named(new QComboBox, name);
    box->setEditable(true);
    for (int v = from; v <= to; ++v)
        box->addItem(QString::number(v));
    return box;
}

/// Selects the option whose value is `value`; none when no option has it.
template <size_t N>
void selectValue(QButtonGroup* group, const std::array<QRadioButton*, N>& options,
                 const int (&values)[N], int value) {
    group->setExclusive(false);
    for (size_t i = 0; i < N; ++i)
        options[i]->setChecked(values[i] == value);
    group->setExclusive(true);
}

template <size_t N>
std::optional<int> selectedValue(const std::array<QRadioButton*, N>& options,
                                 const int (&values)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (options[i]->isChecked())
            return values[i];
    }
    return std::nullopt;
}
} // namespace

Setup::Setup(SetupRunner& runner, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_runner(runner), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Setup"));
    setWindowTitle(QStringLiteral("Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connect(m_CmdOK, &QPushButton::clicked, this, &Setup::startTransfer);
    connect(&m_runner, &SetupRunner::busyChanged, this, &Setup::showBusy);
    connect(&m_runner, &SetupRunner::progress, this,
            [this](int percent) { m_Bar->setValue(std::max(m_Bar->value(), percent)); });
    m_Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    m_Timer1->setInterval(500);
    connect(m_Timer1, &QTimer::timeout, this, [this] {
        if (m_Bar->value() >= 100)
            m_Bar->setValue(0);
        m_Bar->setValue(m_Bar->value() + 1);
    });
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &Setup::followPcClock);
    for (QComboBox* box : m_TimeText) {
        connect(box, &QComboBox::editTextChanged, this, [this] {
            if (!m_fillingClock)
                m_clockEdited = true;
        });
    }
    load();
    showBusy(m_runner.busy());
}

void Setup::buildControls() {
    auto optionFrame = [this](const QString& name, const QString& caption, auto& options,
                              const QStringList& captions, const QString& optionName) {
        auto* frame = named(new QGroupBox(caption), name);
        auto* layout = new QHBoxLayout(frame);
        auto* group = new QButtonGroup(frame);
        for (int i = 0; i < static_cast<int>(options.size()); ++i) {
            options[static_cast<size_t>(i)] = named(
                new QRadioButton(captions[i]), QStringLiteral("%1(%2)").arg(optionName).arg(i));
            group->addButton(options[static_cast<size_t>(i)], i);
            layout->addWidget(options[static_cast<size_t>(i)]);
        }
        return std::pair{frame, group};
    };
    auto [criterionFrame, criterionGroup] =
        optionFrame(QStringLiteral("SSFrame2"), QStringLiteral("Criterion level"), m_OptCL,
                    {"80", "84", "85", "90"}, QStringLiteral("OptCL"));
    auto [exchangeFrame, exchangeGroup] =
        optionFrame(QStringLiteral("SSFrame3"), QStringLiteral("Exchange rate"), m_OptER,
                    {"3", "4", "5", "6"}, QStringLiteral("OptER"));
    auto [weightingFrame, weightingGroup] =
        optionFrame(QStringLiteral("SSFrame1"), QStringLiteral("Time Weighting"), m_Opttw,
                    {"Fast", "Slow"}, QStringLiteral("Opttw"));
    m_criterionGroup = criterionGroup;
    m_exchangeGroup = exchangeGroup;
    Q_UNUSED(weightingGroup);

    auto* thresholdFrame =
        named(new QGroupBox(QStringLiteral("Threshold Level")), QStringLiteral("SSFrame4"));
    auto* thresholdLayout = new QHBoxLayout(thresholdFrame);
    m_Combo = numberBox(QStringLiteral("Combo"), 70, 90);
    m_Combo->setCurrentText(QStringLiteral("80"));
    thresholdLayout->addWidget(m_Combo);
    thresholdLayout->addWidget(
        named(new QLabel(QStringLiteral("70-90 and < C.L.")), QStringLiteral("Label1")));

    auto* clockFrame = named(new QGroupBox(QStringLiteral("Date (computer system clock)")),
                             QStringLiteral("SSFrame5"));
    auto* clockLayout = new QGridLayout(clockFrame);
    const QStringList labels = {"Year", "Month", "Date", "Hour", "Minutes"};
    const int ranges[5][2] = {{2000, 2100}, {1, 12}, {1, 31}, {0, 23}, {0, 59}};
    for (int i = 0; i < 5; ++i) {
        const int n = i + 1;
        auto* label = named(new QLabel(labels[i]), QStringLiteral("LblTime(%1)").arg(n));
        m_TimeText[static_cast<size_t>(i)] =
            numberBox(QStringLiteral("TimeText(%1)").arg(n), ranges[i][0], ranges[i][1]);
        clockLayout->addWidget(label, 0, i);
        clockLayout->addWidget(m_TimeText[static_cast<size_t>(i)], 1, i);
    }
    clockLayout->setRowStretch(2, 1);

    m_PicSet = named(new QFrame, QStringLiteral("PicSet"));
    m_PicSet->setFrameShape(QFrame::StyledPanel);
    auto* busyLayout = new QHBoxLayout(m_PicSet);
    busyLayout->addWidget(
        named(new QLabel(QStringLiteral("Setting up")), QStringLiteral("Label2")));
    m_Bar = named(new QProgressBar, QStringLiteral("Bar"));
    m_Bar->setRange(0, 100);
    busyLayout->addWidget(m_Bar, 1);

    m_CmdOK = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("CmdOK"));
    m_CmdOK->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(criterionFrame, 0, 0);
    grid->addWidget(exchangeFrame, 1, 0);
    grid->addWidget(thresholdFrame, 2, 0);
    grid->addWidget(clockFrame, 0, 1, 2, 1);
    grid->addWidget(weightingFrame, 2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_PicSet, 1);
    bottom->addStretch();
    bottom->addWidget(m_CmdOK);
    grid->addLayout(bottom, 3, 0, 1, 2);
}

void Setup::load() {
    const link::MeterState& s = m_runner.meterLink().state();
    m_Opttw[s.FastResponse ? 0 : 1]->setChecked(true);
    selectValue(m_criterionGroup, m_OptCL, kCriterionLevels, s.CriterionLevel);
    selectValue(m_exchangeGroup, m_OptER, kExchangeRates, s.ExchangeRate);
    if (!s.ThresholdText.isEmpty())
        m_Combo->setCurrentText(s.ThresholdText);
    m_clockEdited = false;
    followPcClock();
    m_clockTimer->start();
}

void Setup::setPcClock(std::function<QDateTime()> clock) {
    m_pcClock = std::move(clock);
    followPcClock();
}

void Setup::followPcClock() {
    if (m_clockEdited)
        return;
    const QDateTime now = m_pcClock();
    const int values[5] = {now.date().year(), now.date().month(), now.date().day(),
                           now.time().hour(), now.time().minute()};
    m_fillingClock = true;
    for (size_t i = 0; i < m_TimeText.size(); ++i) {
        const QString text = QString::number(values[i]);
        if (m_TimeText[i]->currentText() != text)
            m_TimeText[i]->setCurrentText(text);
    }
    m_fillingClock = false;
}

SetupFields Setup::fields() const {
    SetupFields f;
    f.CriterionLevel = selectedValue(m_OptCL, kCriterionLevels);
    f.ExchangeRate = selectedValue(m_OptER, kExchangeRates);
    f.FastResponse = m_Opttw[0]->isChecked();
    f.Threshold = m_Combo->currentText();
    f.Year = m_TimeText[0]->currentText();
    f.Month = m_TimeText[1]->currentText();
    f.Day = m_TimeText[2]->currentText();
    f.Hour = m_TimeText[3]->currentText();
    f.Minute = m_TimeText[4]->currentText();
    // Boxes nobody edited stand for the PC clock at the moment each item is walked.
    if (!m_clockEdited)
        f.PcClock = m_pcClock;
    return f;
}

void Setup::startTransfer() {
    if (m_runner.busy())
        return;
    const link::MeterState& s = m_runner.meterLink().state();
    if (s.KeyLocked) {
        m_dialogs.message(this, {QString::fromLatin1(kKeyLockedText),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Critical,
                                 {}});
        return;
    }
    const Validation v = ValidateSetup(fields(), s.CriterionLevel);
    if (!v.request) {
        m_dialogs.message(this, {v.error, dialogs::Buttons::Ok, dialogs::Icon::Exclamation, {}});
        return;
    }
    if (v.thresholdCapped)
        m_Combo->setCurrentText(QString::number(*v.request->ThresholdLevel));
    m_transferMine =
        m_runner.start(*v.request, this, [this](const SetupResult& result) { finished(result); });
}

void Setup::closeEvent(QCloseEvent* event) {
    if (m_transferMine && m_runner.busy() && m_runner.meterLink().isRunning()) {
        // Leave the meter out of setup mode first; finished() closes the window.
        m_runner.cancel();
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Setup::showBusy(bool busy) {
    m_PicSet->setVisible(busy);
    if (busy) {
        m_Bar->setValue(0);
        m_Timer1->start();
    } else {
        m_Timer1->stop();
    }
    m_CmdOK->setEnabled(!busy);
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void Setup::finished(const SetupResult& result) {
    m_transferMine = false;
    m_dialogs.message(this, {ResultMessage(result),
                             dialogs::Buttons::Ok,
                             result.success ? dialogs::Icon::None : dialogs::Icon::Exclamation,
                             {}});
    if (result.success || m_closeWhenDone)
        close();
}

} // namespace nd::setup
