#include "core/library_profile.h"

namespace vesk {
namespace {

// The user interface library and the test programs: the common behaviour.
constexpr LibraryProfile kCommonProfile{.clonesPageTable = true,
                                        .appliesHandOver = true,
                                        .binderFlagFromRegistry = true,
                                        .mergeSummaryAndJobControl = true,
                                        .showsMessages = true,
                                        .dbcsSectionNames = false,
                                        .loadsResourceLibraries = true,
                                        .refreshesSection3Defaults = true,
                                        .papersAlwaysTurnLandscape = false,
                                        .mergesEveryPublicField = false,
                                        .importsJobControl = true,
                                        .stampTransferCarriesTileItems = false,
                                        .freeSizeNamesFromResources = true,
                                        .savesBidiSettingsAtOpen = true,
                                        .keepsFormName = true,
                                        .keepsDefaultSection3 = false,
                                        .writesCommonTag = true,
                                        .srcPaperKeepsPublicSize = false,
                                        .resLangFromDriverHelp = true,
                                        .qualityLoadsName = true,
                                        .fontTableWriteDeletesOld = true};

// The option-constraint library shows no pages, serves neither the
// job-binding tool, the user-code provider nor job control in its merges,
// and is driven by outside applications, which never take over an
// installer's request; it never shows a message box. Its defaults, stamp
// sets, quality and font-table loads keep what the printer already holds.
constexpr LibraryProfile kExcProfile{.clonesPageTable = false,
                                     .appliesHandOver = false,
                                     .binderFlagFromRegistry = false,
                                     .mergeSummaryAndJobControl = false,
                                     .showsMessages = false,
                                     .dbcsSectionNames = true,
                                     .loadsResourceLibraries = true,
                                     .refreshesSection3Defaults = true,
                                     .papersAlwaysTurnLandscape = false,
                                     .mergesEveryPublicField = false,
                                     .importsJobControl = false,
                                     .stampTransferCarriesTileItems = true,
                                     .freeSizeNamesFromResources = true,
                                     .savesBidiSettingsAtOpen = true,
                                     .keepsFormName = true,
                                     .keepsDefaultSection3 = true,
                                     .writesCommonTag = false,
                                     .srcPaperKeepsPublicSize = true,
                                     .resLangFromDriverHelp = false,
                                     .qualityLoadsName = false,
                                     .fontTableWriteDeletesOld = false};

// The graphics library has no pages, no resource libraries and no user
// interface; it merges a job's DEVMODE, whose fields it keeps as given, and
// leaves the printer's stored settings and job control's session to the user
// interface. Its quality loads take the option set only.
constexpr LibraryProfile kGrProfile{.clonesPageTable = false,
                                    .appliesHandOver = false,
                                    .binderFlagFromRegistry = true,
                                    .mergeSummaryAndJobControl = false,
                                    .showsMessages = false,
                                    .dbcsSectionNames = false,
                                    .loadsResourceLibraries = false,
                                    .refreshesSection3Defaults = false,
                                    .papersAlwaysTurnLandscape = true,
                                    .mergesEveryPublicField = true,
                                    .importsJobControl = false,
                                    .stampTransferCarriesTileItems = true,
                                    .freeSizeNamesFromResources = false,
                                    .savesBidiSettingsAtOpen = false,
                                    .keepsFormName = false,
                                    .keepsDefaultSection3 = false,
                                    .writesCommonTag = true,
                                    .srcPaperKeepsPublicSize = false,
                                    .resLangFromDriverHelp = true,
                                    .qualityLoadsName = false,
                                    .fontTableWriteDeletesOld = true};

}  // namespace

const LibraryProfile& ProfileOf(LibraryId id) {
    if (id == LibraryId::Exc) return kExcProfile;
    return id == LibraryId::Gr ? kGrProfile : kCommonProfile;
}

const LibraryProfile& CurrentProfile() { return ProfileOf(kLibraryIdentity.id); }

}  // namespace vesk
