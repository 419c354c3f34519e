// What the common code does differently in each deliverable. The common
// functions ask the profile of the binary they are linked into (its library
// identity) where the libraries' forms differ, so no form is a copy.
#pragma once
#include "core/library_identity.h"

namespace vesk {

struct LibraryProfile {
    // Each context gets its own copy of the page table and its controls
    // (only a library with pages needs one).
    bool clonesPageTable;
    // A new ordinary context applies the installer's hand-over from the
    // system directory's settings file.
    bool appliesHandOver;
    // The binder flag (the job-binding tool is installed) follows the
    // registry; else it is always 0.
    bool binderFlagFromRegistry;
    // A merge applies the caller's capability summary, refreshes the
    // provider's user-code flags and fetches job control under flag 4.
    bool mergeSummaryAndJobControl;
    // Message boxes are shown; else every request answers 0 unseen.
    bool showsMessages;
    // On Windows 9x, section-name cleaning steps over double-byte
    // characters instead of looking at their trail bytes.
    bool dbcsSectionNames;
    // Resource libraries are loaded on first use and freed at release.
    bool loadsResourceLibraries;
    // A DEVMODE built from the spooler's default takes the model's defaults
    // for the section-3 items again.
    bool refreshesSection3Defaults;
    // The paper resolvers turn a free size whenever the orientation is
    // landscape (else only where the caller asks for it).
    bool papersAlwaysTurnLandscape;
    // The public merge takes an explicit size also beside a paper code the
    // model knows, handles the form name whatever else is asked, and keeps
    // the dmFields bit of every field it merged (scale and media type too).
    bool mergesEveryPublicField;
    // A full settings import opens the job-control session around it and
    // exchanges the job-control items.
    bool importsJobControl;
    // A stamp transfer carries the watermark line and tile items (894 to 903)
    // whether or not the item table marks them as stamp items.
    bool stampTransferCarriesTileItems;
    // A cached free size's name is replaced by its resource string.
    bool freeSizeNamesFromResources;
    // The bidirectional device settings a context imports at its open are
    // saved back to printer data and the file's section cleared.
    bool savesBidiSettingsAtOpen;
    // The form-name field has its validation and default; else the library
    // keeps no form name and both steps do nothing.
    bool keepsFormName;
    // A default DEVMODE taken from the printer's own keeps its section 3
    // and driver version text when it carries them whole; otherwise the
    // refresh above applies.
    bool keepsDefaultSection3;
    // The private header's names carry the common tag and its version.
    bool writesCommonTag;
    // The source paper items take the user size from the public length and
    // width, and a free size turned for landscape leaves those in portrait
    // order.
    bool srcPaperKeepsPublicSize;
    // In help-file mode 1 the resource language follows the driver's help
    // file name; else it always follows the printer's HelpFileName.
    bool resLangFromDriverHelp;
    // Loading a user quality also takes its name into option 867.
    bool qualityLoadsName;
    // Writing the current font table deletes the previous one's entries.
    bool fontTableWriteDeletesOld;
};

// The profile of a library by its identity, and of this binary.
const LibraryProfile& ProfileOf(LibraryId id);
const LibraryProfile& CurrentProfile();

}  // namespace vesk
