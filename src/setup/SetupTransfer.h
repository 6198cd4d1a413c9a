#pragma once

#include "SetupRequest.h"
#include "link/MeterLink.h"

#include <QList>
#include <QString>

#include <functional>

namespace nd::link {
class Meter;
}

namespace nd::setup {

/// One item of a transfer as the meter reports it afterwards.
struct ItemResult {
    QString name;     ///< "Criterion level", "Year", ...
    QString asked;    ///< empty when the item was not asked
    QString reported; ///< as the meter shows or reports it; empty when it was never read
    bool took = true; ///< false when asked and the meter does not report the asked value
};

struct SetupResult {
    /// Every asked item took, read back from the meter's display or status.
    bool success = false;
    /// Why the walk stopped early (empty when it went to its end).
    QString failure;
    /// The final status was read; false leaves the status check to the next poll.
    bool statusRead = false;
    QList<ItemResult> items;

    /// The asked items that did not take, one line each.
    QStringList itemsNotTaken() const;
};

/// "Set up successfully." or "Invalid, try again!" with the items that did not take.
QString ResultMessage(const SetupResult& result);
inline constexpr char kSuccessText[] = "Set up successfully.";
inline constexpr char kInvalidText[] = "Invalid, try again!";
inline constexpr char kKeyLockedText[] = "Key locked!";

/// Drives the meter's setup mode: the setup key, each item in the meter's fixed order
/// stepped and read back from the display, the weighting through the status, RESET, the
/// status poll and three MODE presses; on a failure MODE+RESET and the status. Blocks on
/// the meter's clock; runs on the link thread (or the command-line tool's only thread).
/// Progress goes out through Meter::reportProgress.
SetupResult RunSetup(link::Meter& meter, const SetupRequest& request);

/// Every item at its press limit takes about a quarter of an hour; past this the job ends.
inline constexpr double kSetupJobLimit = 1800.0;

/// RunSetup as a link job; `done` gets the result on the GUI thread (an empty result with
/// the failure text when the job never ran to its end).
link::Job SetupJob(const SetupRequest& request,
                   std::function<void(link::JobOutcome, const SetupResult&)> done);

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
