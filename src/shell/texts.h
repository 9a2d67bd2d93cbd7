#pragma once

#include <QString>

// Every sentence and label the user reads, in one place. %1, %2… are filled in by the rule that
// uses the text.
// One line a text, however long, so that each reads whole.
// clang-format off
namespace texts {

// A later start of a bundle copy that is already running, on standard error.
inline const QString alreadyRunning = QStringLiteral("Vellmora is already running.");

// The menu and the window.
inline const QString quitItem = QStringLiteral("Quit Vellmora");
inline const QString intro = QStringLiteral("Prepare your local voice studio. Setup downloads the voice engines and may take several minutes. Model weights download on first use.");
inline const QString memoryNote = QStringLiteral("This Mac has %1 GB RAM. Both choices include all features. Model weights download on first use: about 5.5 GB for Compact or 13 GB for Full precision. You can switch later in Settings.");
inline const QString setupNeeded = QStringLiteral("Setup is needed before you can use the studio. Allow 20 GB of free space and an internet connection.");

// The model choices.
inline const QString compactChoice = QStringLiteral("Compact (recommended) — smaller download, lower memory");
inline const QString fullChoice = QStringLiteral("Full precision — original weights, larger download");
inline const QString fullChoiceTip = QStringLiteral("May overload this Mac. Select to review the warning.");

// The buttons.
inline const QString startSetup = QStringLiteral("Start setup");
inline const QString retrySetup = QStringLiteral("Retry setup");
inline const QString settingUp = QStringLiteral("Setting up…");
inline const QString cancel = QStringLiteral("Cancel");
inline const QString showDetails = QStringLiteral("Show details");

// The memory warning.
inline const QString warningTitle = QStringLiteral("Full precision may overload this Mac");
inline const QString warningText = QStringLiteral("Full precision may leave too little RAM for macOS and other apps, causing heavy swapping, freezes or a failed generation. Compact is recommended on Macs with less than 24 GB RAM. Use Full precision anyway?");
inline const QString useFull = QStringLiteral("Use Full precision");
inline const QString keepCompact = QStringLiteral("Keep Compact");

// The status line while an attempt runs.
inline const QString checkingSpace = QStringLiteral("Checking available space…");
inline const QString cancelling = QStringLiteral("Cancelling setup…");
inline const QString noAttemptYet = QStringLiteral("Start setup to see this attempt's log.");

// Its second line, and the step line that carries it.
inline const QString stepLine = QStringLiteral("Step %1 of %2 · %3\n%4"); // step, total, label, second line
inline const QString elapsed = QStringLiteral("Elapsed %1 · install time varies");
inline const QString downloaded = QStringLiteral("%1 / %2 MB downloaded");
inline const QString timeLeft = QStringLiteral(" · about %1 left for this download");

// The labels of the progress record.
inline const QString preparing = QStringLiteral("Preparing your studio…");
inline const QString checkingRuntime = QStringLiteral("Checking the studio runtime…");
inline const QString downloading = QStringLiteral("Downloading the studio runtime…");
inline const QString extracting = QStringLiteral("Extracting the studio runtime…");
inline const QString installing = QStringLiteral("Installing the voice engines…");

// Refusals before an attempt starts.
inline const QString alreadyOpen = QStringLiteral("Setup is already open in another window. Finish or cancel that setup first.");
inline const QString logNotCreated = QStringLiteral("Setup could not create its log. Check available disk space, then retry.");
inline const QString spaceNeeded = QStringLiteral("Setup needs 20 GB free; %1 GB is available. Free at least %2 GB, then retry setup.");

// A command that did not finish; the attempt log ends with logFailure.
inline const QString cancelled = QStringLiteral("Setup cancelled.");
inline const QString cancelledRetry = QStringLiteral("Setup cancelled. You can retry when ready.");
inline const QString couldNotFinish = QStringLiteral("Setup could not finish. Choose Show details for the log, then retry.");
inline const QString logFailure = QStringLiteral("Setup failed: %1\n");
// A failure that says the disk filled up; %1 is what setup needs in all, in GB.
inline const QString diskFull = QStringLiteral("The disk is full. Setup needs about %1 GB free; free some space, then retry setup.");
// A download that the user's network refused, as curl reports it.
inline const QString certificateNotTrusted = QStringLiteral("The download server's certificate could not be verified. If your network inspects encrypted traffic, ask its administrator to install the network's certificate on this Mac, then retry setup.");
inline const QString proxySignInRefused = QStringLiteral("The proxy server refused the sign-in. Check the proxy user name and password in the network settings, then retry setup.");

// The attempt log's line on the proxy a download goes through; %1 is the host it reaches, %2 the
// proxy's scheme, host and port.
inline const QString proxyFromSystem = QStringLiteral("Proxy for %1: %2 (from the system settings)\n");
inline const QString proxyFromEnvironment = QStringLiteral("Proxy for %1: %2 (from the environment)\n");
inline const QString proxyNone = QStringLiteral("Proxy for %1: none\n");

// The attempt log's lines on download sources: each entry of the settings that cannot be used
// (%1 the entry, %2 its key, %3 why), where the runtime archive is tried, why a source failed
// (%2), where it came from, and the hint when a download failed with no source set.
inline const QString sourceSkipped = QStringLiteral("Download source skipped: “%1” in %2: %3\n");
inline const QString notAUrl = QStringLiteral("not a URL");
inline const QString relativePath = QStringLiteral("a relative path, not a URL");
inline const QString pathNotUrl = QStringLiteral("a path, not a URL (a folder is written file:///path/to/folder)");
inline const QString plainHttp = QStringLiteral("plain http: is not allowed, only https:");
inline const QString otherScheme = QStringLiteral("only https: and file: URLs can be used");
inline const QString queryOrFragment = QStringLiteral("a URL with a query or fragment cannot be used");
inline const QString noSuchFolder = QStringLiteral("not a folder on this computer");
inline const QString unsafeFileName = QStringLiteral("the manifest's file name cannot be looked up in a folder");
inline const QString archiveTrying = QStringLiteral("Runtime archive: trying %1\n");
inline const QString archiveSourceFailed = QStringLiteral("Runtime archive: %1 failed: %2\n");
inline const QString downloadIncomplete = QStringLiteral("the download did not complete");
inline const QString checkFailed = QStringLiteral("the size or SHA-256 check failed");
inline const QString archiveCameFrom = QStringLiteral("Runtime archive: came from %1\n");
inline const QString archiveReused = QStringLiteral("Runtime archive: %1 was checked and is used again\n");
// The bootstrap writes a line with the same start when every source of a wheel failed.
inline const QString everySourceFailed = QStringLiteral("Every download source failed for ");
inline const QString runtimeArchive = QStringLiteral("the runtime archive\n");
inline const QString sourcesHint = QStringLiteral("Download sources (mirrors, or a folder for setups without a network) can be set; README explains them under “Download sources”.\n");

// Faults in the packaged files or the download.
inline const QString manifestIncomplete = QStringLiteral("The packaged runtime manifest is incomplete.");
inline const QString checksumFailed = QStringLiteral("The Python download failed checksum verification. Please retry setup.");
inline const QString identityIncomplete = QStringLiteral("The packaged application identity is incomplete.");

// The end of an attempt and the studio.
inline const QString validationIncomplete = QStringLiteral("Runtime validation did not complete. Please retry setup.");
inline const QString needsRepair = QStringLiteral("The runtime needs repair.");
inline const QString studioFailed = QStringLiteral("The studio could not start. Check launch.log in Application Support, or retry setup.");

} // namespace texts
// clang-format on
