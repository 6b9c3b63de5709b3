#pragma once

// The main window with every part a test reaches through it.
#include "app/AcquisitionController.h"
#include "app/ApplicationEvents.h"
#include "app/CoefficientPage.h"
#include "app/DeviceController.h"
#include "app/InstrumentPanel.h"
#include "app/MainForm.h"
#include "app/MultimeterPage.h"
#include "app/PrivateMessage.h"
#include "app/ReadingLog.h"
#include "app/ReentryGuard.h"
#include "app/SettingsController.h"
#include "app/SignalViewLink.h"
#include "app/VerificationPage.h"
#include "instrument/Zeb44Tables.h"

// Gives the window discovery tables as a full search that listed its crates
// hands them over (the lists are filled from them).
inline void TakeDiscoveryTables(TMainForm& form, const TDiscoveryTables& tables) {
    TDiscoveryRun run;
    run.Mode = TDiscoveryMode::FullSearch;
    run.CratesListed = true;
    run.Tables = tables;
    form.Device().ShowDiscoveryResult(run, TDiscoveryView::Lists);
}
