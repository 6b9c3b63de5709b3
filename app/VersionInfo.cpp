#include "app/VersionInfo.h"

#include "VoltcheckVersion.h"

TVersionInfo ProgramVersion() {
    return TVersionInfo{VOLTCHECK_VERSION_MAJOR, VOLTCHECK_VERSION_MINOR, VOLTCHECK_VERSION_RELEASE,
                        VOLTCHECK_VERSION_BUILD};
}
