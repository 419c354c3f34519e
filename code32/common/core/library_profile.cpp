#include "core/library_profile.h"

namespace vesk {
namespace {

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
                                     .keepsDefaultSection3 = true,
                                     .writesCommonTag = false,
                                     .srcPaperKeepsPublicSize = true,
                                     .resLangFromDriverHelp = false,
                                     .stampSetHasPatterns = true,
                                     .importExchangesJobControl = false,
                                     .qualityLoadsName = false,
                                     .fontTableWriteDeletesOld = false};
constexpr LibraryProfile kCommonProfile{.clonesPageTable = true,
                                        .appliesHandOver = true,
                                        .binderFlagFromRegistry = true,
                                        .mergeSummaryAndJobControl = true,
                                        .showsMessages = true,
                                        .dbcsSectionNames = false,
                                        .keepsDefaultSection3 = false,
                                        .writesCommonTag = true,
                                        .srcPaperKeepsPublicSize = false,
                                        .resLangFromDriverHelp = true,
                                        .stampSetHasPatterns = false,
                                        .importExchangesJobControl = true,
                                        .qualityLoadsName = true,
                                        .fontTableWriteDeletesOld = true};

}  // namespace

const LibraryProfile& ProfileOf(LibraryId id) { return id == LibraryId::Exc ? kExcProfile : kCommonProfile; }

const LibraryProfile& CurrentProfile() { return ProfileOf(kLibraryIdentity.id); }

}  // namespace vesk
