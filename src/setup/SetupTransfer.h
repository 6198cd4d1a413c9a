#pragma once

#include "SetupRequest.h"
#include "link/MeterLink.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace nd::link {
class Meter;
}

namespace nd::setup {

/// One item of a transfer as the meter reports it afterwards.
struct ItemResult {
    QString name;     ///< "Criterion level", "Year", ...
    QString asked;    ///< empty when the item was not asked
    QString reported; ///< as the meter shows or reports it now; empty when it was not read
    bool took = true; ///< false when asked and the meter does not report the asked value
    QString before;   ///< as the meter had it before the transfer; empty when not read
};

struct SetupResult {
    /// The meter left setup mode and holds every asked item, read from the meter itself
    /// after RESET (its display mode, its status, cell 59, its time and date displays).
    bool success = false;
    /// Why the walk stopped early, or why it is not a success (empty on success).
    QString failure;
    /// The meter's settings were read after the transfer; false leaves them to the next poll.
    bool statusRead = false;
    /// The meter showed a reading again (dBA or %DOSE) after the RESET.
    bool leftSetup = false;
    /// The meter did not answer at all; nothing was sent.
    bool noAnswer = false;
    /// The meter's keys are locked; nothing was sent.
    bool keyLocked = false;
    /// The transfer was stopped from outside (Ctrl+C, a closed window, the program ending)
    /// and abandoned with MODE+RESET.
    bool interrupted = false;
    /// The asked threshold was above the criterion level and was replaced by it.
    bool thresholdCapped = false;
    int thresholdAsked = 0; ///< the threshold as asked, before the cap
    QList<ItemResult> items;

    /// The asked items that did not take, one line each.
    QStringList itemsNotTaken() const;
    /// Every item asked or changed: before, asked and now, one line each.
    QStringList itemTable() const;
};

/// "Set up successfully." or "Invalid, try again!" with the items that did not take.
QString ResultMessage(const SetupResult& result);
inline constexpr char kSuccessText[] = "Set up successfully.";
inline constexpr char kInvalidText[] = "Invalid, try again!";
inline constexpr char kKeyLockedText[] = "Key locked!";

/// Drives the meter's setup mode: the settings read first, the setup key, each item in the
/// meter's fixed order stepped and read back from the display, the weighting through the
/// status, RESET, a check that the meter left setup mode, the settings read again and (but
/// for a standards-table load) three MODE presses that pass the time and date displays,
/// which confirm the clock. A walk that finds itself on another item than it believes
/// (a value outside the item's values, a screen that does not step as the item does, a
/// value cycling past the wanted one), a lost RESET, `cancel` becoming true or the clock
/// being interrupted (Ctrl+C, the link stopping) ends in MODE+RESET and a bounded read of
/// what the meter now holds. Blocks on the meter's clock; runs on the link thread (or the
/// command-line tool's only thread). Progress goes out through Meter::reportProgress.
SetupResult RunSetup(link::Meter& meter, const SetupRequest& request,
                     const std::atomic<bool>* cancel = nullptr);

/// Every item at its press limit takes about a quarter of an hour; past this the job ends.
inline constexpr double kSetupJobLimit = 1800.0;

/// RunSetup as a link job; `done` gets the result on the GUI thread (an empty result with
/// the failure text when the job never ran to its end).
/// `cancel`, when given, stops the walk at its next key press (with the abort).
link::Job SetupJob(const SetupRequest& request,
                   std::function<void(link::JobOutcome, const SetupResult&)> done,
                   std::shared_ptr<std::atomic<bool>> cancel = {});

/// Press limits per item, as the meter's value ranges need them.
namespace limit {
inline constexpr int kCriterion = 10;
inline constexpr int kThreshold = 25;
inline constexpr int kExchange = 10;
inline constexpr int kYearDigits = 99;
inline constexpr int kMonth = 20;
inline constexpr int kDay = 50;
inline constexpr int kHour = 100;
inline constexpr int kMinute = 100;
/// Presses in a row that leave the shown value where it was before an item counts as failed
/// (the meter lost a key, or shows another item than the walk expects).
inline constexpr int kUnmoved = 3;
/// Presses of EVENT on the weighting item before it counts as not taken.
inline constexpr int kWeighting = 3;
/// Display or status reads of the wrong length (or framing) before the meter counts as
/// silent: a second of 0.05 s pauses.
inline constexpr int kReads = 20;
/// Cell reads of the threshold level before it counts as not read (a second of 0.1 s).
inline constexpr int kCellReads = 10;
} // namespace limit

/// Pauses of the transfer, in seconds.
namespace wait {
inline constexpr double kAfterSetupKey = 5.0;
inline constexpr double kAfterReset = 4.0;
inline constexpr double kHourRead = 0.1;
inline constexpr double kMinuteRead = 0.01;
inline constexpr double kAfterModeQuick = 0.05;
} // namespace wait

} // namespace nd::setup
