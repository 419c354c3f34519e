#include <gtest/gtest.h>

#include "common/model_support.h"
#include "core/model/image.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class ModelOptions : public ::testing::Test {
protected:
    // Parses and expects the statements on `bad` lines (1-based) to be the
    // only ones skipped.
    ParsePtr read(const std::string& text, std::vector<uint32_t> bad = {}) {
        ParsePtr r = parse(text);
        EXPECT_TRUE(r);
        if (!r) return r;
        std::vector<uint32_t> got;
        for (const MdlSkipped& s : r->skipped) got.push_back(s.line);
        EXPECT_EQ(got, bad) << skippedText(*r);
        return r;
    }
    winsim::TempMachine machine_;
};

}  // namespace

TEST_F(ModelOptions, OpenUIRulesAndSlots) {
    ParsePtr r = read(
        "*OpenUI *VPD_NoSuch: PickOne\n"                 // 1 unknown symbol
        "*VPD_NoSuch IDS_MEDIA_PLAIN: \"x\"\n"            // 2 finds no block
        "*OpenUI VPD_rdmMediaType: PickOne\n"            // 3 no '*'
        "*OpenUI *VPD_rdmMediaType: Colourful\n"
        "*OpenUI *VPD_dmCollate: Boolean\n"              // 5 a block is open
        "*CloseUI\n"
        "*OpenUI *VPD_rdmJobLinker: Boolean | TypeUnknown\n*CloseUI\n"
        "*OpenUI *VPD_rdmPrinterMemory: PickOne|PickMany\n*CloseUI\n"
        "*OpenUI *VPD_IDC_BASIC_BMP_PRINTER: String\n*CloseUI\n",
        {1, 2, 3, 5});
    ASSERT_EQ(r->options.size(), 4u);
    EXPECT_EQ(r->options[0].type, kMdlPickOne);  // an unknown type word
    EXPECT_EQ(r->options[1].type, kMdlBoolean | kMdlTypeUnknown);
    EXPECT_EQ(r->options[2].type, kMdlPickOne | kMdlPickMany);
    EXPECT_EQ(r->optionSlots[MdlSlotForOptionId(kItRdmMediaType)], 1u);
    EXPECT_EQ(r->optionSlots[MdlSlotForOptionId(kItRdmJobLinker)], 2u);
    EXPECT_EQ(r->optionSlots[MdlSlotForOptionId(kItRdmPrinterMemory)], 3u);
    // Option 948 has no slot: it is found in the list.
    EXPECT_EQ(r->options[3].optionId, 948);
    EXPECT_EQ(MdlFindOptionById(*r, 948), &r->options[3]);
    EXPECT_EQ(MdlFindOptionById(*r, kItRdmPrinterMemory), &r->options[2]);
    EXPECT_EQ(MdlFindOptionById(*r, 0), nullptr);
    EXPECT_EQ(MdlFindOptionById(*r, kItDmColor), nullptr);
}

TEST_F(ModelOptions, DefaultsAndCloseUI) {
    ParsePtr r = read(
        "*OpenUI *VPD_rdmMediaType: PickOne\n"
        "*DefaultVPD_rdmMediaType: IDS_MEDIA_LABEL\n"          // before its value
        "*VPD_rdmMediaType IDS_MEDIA_PLAIN: \"P\"\n"
        "*VPD_rdmMediaType IDS_MEDIA_LABEL: \"L\"\n"
        "*CloseUI\n"
        "*OpenUI *VPD_rdmStapleType: PickOne\n"
        "*VPD_rdmStapleType IDS_STAPLE_TOP2: \"T\"\n"
        "*DefaultVPD_rdmStapleType: IDS_STAPLE_LEFT2\n"        // not in the list
        "*DefaultVPD_rdmStapleType: IDS_NOT_A_VALUE\n"         // 9
        "*CloseUI\n"
        "*OpenUI *VPD_dmCollate: Boolean\n*DefaultVPD_dmCollate: True\n*CloseUI\n"
        "*OpenUI *VPD_rdmNUPLine: Boolean\n*DefaultVPD_rdmNUPLine: Yes\n*CloseUI\n"
        "*OpenUI *VPD_rdmSortType: PickMany\n*DefaultVPD_rdmSortType: IDS_SORT_ROTATE\n*CloseUI\n"
        // A copy keeps the index it inherited unless it has a default of its own.
        "*OpenUI *VPD_rdmMediaType 1: PickOne\n*CloseUI\n"
        "*OpenUI *VPD_rdmMediaType 2: PickOne\n*DefaultVPD_rdmMediaType: IDS_MEDIA_PLAIN\n*CloseUI\n",
        {9});
    const MdlOption* media = option(*r, "VPD_rdmMediaType");
    EXPECT_EQ(media->selection, 1);
    EXPECT_EQ(MdlGetValueInTables(*r, *media), valueId("IDS_MEDIA_LABEL"));
    EXPECT_EQ(option(*r, "VPD_rdmStapleType")->selection, 0);
    EXPECT_EQ(option(*r, "VPD_dmCollate")->boolean.defaultValue, 1);
    EXPECT_EQ(option(*r, "VPD_rdmNUPLine")->boolean.defaultValue, 0);  // an unknown word is False
    EXPECT_EQ(option(*r, "VPD_rdmSortType")->selection, 0);            // PickMany has no default
    ASSERT_EQ(r->options.size(), 7u);
    EXPECT_EQ(r->options[5].selection, 1);
    EXPECT_EQ(r->options[6].selection, 0);
    EXPECT_EQ(&MdlValuesOwner(*r, r->options[6]), media);
}

TEST_F(ModelOptions, ValueStatementsAndLists) {
    ParsePtr r = read(
        "*OpenUI *VPD_rdmMediaType: PickOne\n"
        "*VPD_rdmMediaType IDS_MEDIA_PLAIN: \"P\"\n"
        "*VPD_rdmMediaType IDS_MEDIA_PLAIN: \"again\"\n"        // 3 kept first
        "*VPD_rdmMediaType IDS_MEDIA_THICK\n"                     // 4 no colon
        "*VPD_rdmMediaType IDS_MEDIA_LABEL: no quote\n"           // 5 stray words
        "*VPD_rdmMediaType IDS_MEDIA_LABEL:\n"                    // no command
        "*VPD_rdmMediaType: IDList { IDS_MEDIA_THICK {IDS_MEDIA_ENVELOPE \"E\"} IDS_NOPE IDS_MEDIA_RECYCLED }\n"  // 7
        "*VPD_rdmMediaType: { {IDS_MEDIA_TRANSPARENCY \"\"} }\n"
        "*CloseUI\n"
        "*OpenUI *VPD_dmCollate: Boolean\n"
        "*VPD_dmCollate True: \"on\"\n"
        "*VPD_dmCollate Other: \"off\"\n"
        "*VPD_dmCollate False: \"OFF\"\n"
        "*VPD_dmCollate: IDList { IDS_MEDIA_PLAIN }\n"            // 14 no list
        "*CloseUI\n"
        "*OpenUI *VPD_dmCopies: Numeric\n"
        "*VPD_dmCopies True: \"x\"\n"                             // 17 no commands
        "*CloseUI\n",
        {3, 4, 5, 7, 14, 17});
    const MdlOption* media = option(*r, "VPD_rdmMediaType");
    ASSERT_EQ(media->values.size(), 5u);
    EXPECT_EQ(media->values[0].command, "P");
    EXPECT_EQ(media->values[1].valueId, valueId("IDS_MEDIA_LABEL"));
    EXPECT_EQ(media->values[1].command, "");
    EXPECT_EQ(media->values[2].valueId, valueId("IDS_MEDIA_THICK"));
    EXPECT_EQ(media->values[3].command, "E");  // the list stopped at IDS_NOPE
    EXPECT_EQ(media->values[4].valueId, valueId("IDS_MEDIA_TRANSPARENCY"));
    const MdlOption* collate = option(*r, "VPD_dmCollate");
    EXPECT_EQ(collate->boolean.trueCommand, "on");
    EXPECT_EQ(collate->boolean.falseCommand, "OFF");  // the later one replaces
}

TEST_F(ModelOptions, NumericAndStringBlocks) {
    ParsePtr r = read(
        "*OpenUI *VPD_dmCopies: Numeric\n"
        "*NumericValue: -7 \"1 2 3 4 5 6 7 8\"\n"
        "*NumericValue: \"1 2 3\"\n"                     // 3 too few
        "*NumericValue: 0 \"1 2 3 4 5 6 7 8 9\"\n"       // 4 too many
        "*NumericValue: 0 \"40000 2 3 4 5 6\"\n"         // 5 +2 is 16-bit
        "*NumericValue: 0 \"1 2 x 4 5 6\"\n"             // 6
        "*StringValue: 8 ASCII\n"                        // 7 not String
        "*CloseUI\n"
        "*OpenUI *VPD_rdmUserCode: String\n"
        "*StringValue: 12 Capital | ShowSmall\n"
        "*DefaultVPD_rdmUserCode: IDS_STRING_EMPTY\n"
        "*CloseUI\n"
        "*OpenUI *VPD_rdmUserID: String\n"
        "*DefaultVPD_rdmUserID: IDS_STRING_EMPTY\n"
        "*StringValue: 4 Odd | Unknown\n"
        "*StringValue: 40000 ASCII\n"                    // 16
        "*NumericValue: 0 \"1 2 3 4 5 6\"\n"             // 17 not Numeric
        "*CloseUI\n",
        {3, 4, 5, 6, 7, 16, 17});
    const MdlNumericBlock& n = option(*r, "VPD_dmCopies")->numeric;
    EXPECT_EQ(n.f0, -7);
    EXPECT_EQ(n.f2, 1);
    EXPECT_EQ(n.defaultValue, 2);
    EXPECT_EQ(n.minimum, 3);
    EXPECT_EQ(n.maximum, 4);
    EXPECT_EQ(n.f4, 5);
    EXPECT_EQ(n.f6, 6);
    EXPECT_EQ(n.f8, 7);
    EXPECT_EQ(n.f10, 8);
    EXPECT_EQ(MdlGetValueInTables(*r, *option(*r, "VPD_dmCopies")), 2u);
    // Each statement sets its own fields, in either order.
    const MdlStringBlock& a = option(*r, "VPD_rdmUserCode")->string;
    EXPECT_EQ(a.defaultId, 2000);
    EXPECT_EQ(a.maxLength, 12);
    EXPECT_EQ(a.charKind, 8);
    EXPECT_EQ(a.display, 0x400);
    const MdlStringBlock& b = option(*r, "VPD_rdmUserID")->string;
    EXPECT_EQ(b.defaultId, 2000);
    EXPECT_EQ(b.maxLength, 4);
    EXPECT_EQ(b.charKind, 1);  // unknown kind
    EXPECT_EQ(b.display, 0);   // unknown display
}

TEST_F(ModelOptions, PagesSlotsAndFontPairs) {
    ParsePtr r = read(
        "*OpenUI *VPD_dmPaperSize: PickPage\n"
        "*VPD_dmPaperSize: IDList { IDS_PAPERSIZE_A4 IDS_PAPERSIZE_A3 }\n"
        "*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: \"2100 2970\"\n"
        "*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_B5: \"1820 2570\"\n"          // 4 not listed
        "*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A3: \"2970\"\n"               // 5
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: 300 IDS_ORIENT_LANDSCAPE VPD_dmCollate False \"1 2 3 4 5 6\"\n"
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: IDS_RESOLUTION_600 IDS_ORIENT_PORTRAIT VPD_rdmMediaType IDS_MEDIA_THICK \"9 8 7 6\"\n"
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: 0 IDS_ORIENT_PORTRAIT \"1 2 3 4\"\n"              // 8 dpi 0
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: 600 \"1 2 3 4\"\n"                                // 9 no orientation
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: 600 IDS_ORIENT_PORTRAIT \"1 2 3 4 5\"\n"          // five numbers
        "*SlotPaper *VPD_dmPaperSize IDS_PAPERSIZE_A4: { IDS_PAPERSIZE_A4 }\n"                           // 11 not PickSlot
        "*CloseUI\n"
        "*OpenUI *VPD_rdmTTFont: FontTbl\n"
        "*VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: \"S\"\n"
        "*TTFS *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: IDList { {\"A\" \"B\"} {\"C\" \"D\"} }\n"
        "*TTFS *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: { {\"E\" \"F\"} {\"G\" \"\"} {\"H\" \"I\"} }\n"     // 16
        "*PageValue *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: 600 IDS_ORIENT_PORTRAIT \"1 2 3 4\"\n"          // 17
        "*CloseUI\n",
        {4, 5, 8, 9, 11, 16, 17});
    const MdlOption* paper = option(*r, "VPD_dmPaperSize");
    const MdlValue& a4 = paper->values[0];
    EXPECT_EQ(a4.size1, 2100);
    ASSERT_EQ(a4.pages.size(), 3u);
    EXPECT_EQ(a4.pages[2].height, 4);
    EXPECT_EQ(a4.pages[2].further1, 5);  // the quote closed before the sixth
    EXPECT_EQ(a4.pages[2].further2, 0);
    EXPECT_EQ(a4.pages[0].resolution, 300);
    EXPECT_EQ(a4.pages[0].orientation, 2027);
    EXPECT_EQ(a4.pages[0].condKey, keyOf("VPD_dmCollate"));
    EXPECT_EQ(a4.pages[0].condValue, 0);
    EXPECT_EQ(a4.pages[0].further1, 5);
    EXPECT_EQ(a4.pages[1].condValue, valueId("IDS_MEDIA_THICK"));
    EXPECT_EQ(a4.pages[1].x, 9);
    EXPECT_EQ(a4.pages[1].further1, 0);
    EXPECT_EQ(paper->values[1].size1, 0);
    const MdlValue& tt = option(*r, "VPD_rdmTTFont")->values[0];
    EXPECT_EQ(tt.fontTrueType, std::vector<std::string>{"E"});  // the later list, up to its broken pair
    EXPECT_EQ(tt.fontDevice, std::vector<std::string>{"F"});
}

TEST_F(ModelOptions, CopiesAndIdentityShareValues) {
    ParsePtr r = read(
        "*OpenUI *VPD_rdmDstResolutionH: Identity *VPD_rdmDstResolutionW\n*CloseUI\n"  // named option not yet defined
        "*OpenUI *VPD_rdmDstResolutionW: PickOne\n"
        "*OptionCommand: { \"W=\" \"!\" }\n"
        "*VPD_rdmDstResolutionW: { IDS_RESOLUTION_600 IDS_RESOLUTION_1200 }\n"
        "*DefaultVPD_rdmDstResolutionW: IDS_RESOLUTION_1200\n"
        "*CloseUI\n"
        "*OpenUI *VPD_rdmDstResolutionW 4: Boolean\n"
        "*OptionCommand: \"copy\"\n"
        "*VPD_rdmDstResolutionW: { IDS_RESOLUTION_600 IDS_NUP_2 }\n"   // fills the first block
        "*CloseUI\n"
        "*OpenUI *VPD_rdmDstResolutionW 4: PickOne\n*CloseUI\n"         // a second copy of number 4
        "*OpenUI *VPD_dmPrintQuality: Identity *VPD_rdmDstResolutionW\n*CloseUI\n"
        "*OpenUI *VPD_dmYResolution: Identity *VPD_NoSuch\n"          // 16
        "*OptionCommand: { \"x\" }\n",                                // 17 no block
        {16, 17});
    ASSERT_EQ(r->options.size(), 5u);
    const MdlOption& early = r->options[0];
    EXPECT_EQ(early.type, kMdlIdentity);  // no type bits to take yet
    const MdlOption& w = r->options[1];
    ASSERT_EQ(w.values.size(), 3u);
    EXPECT_EQ(w.prefix, "W=");
    const MdlOption& copy = r->options[2];
    EXPECT_TRUE(copy.isCopy);
    EXPECT_EQ(copy.subNumber, 4);
    EXPECT_EQ(copy.type, kMdlPickOne);  // a copy keeps the first block's type
    EXPECT_EQ(copy.prefix, "copy");
    EXPECT_EQ(copy.suffix, "");
    EXPECT_EQ(copy.selection, 1);
    EXPECT_TRUE(copy.values.empty());
    EXPECT_EQ(r->optionSlots[42], 2u);  // the slot keeps the first block
    EXPECT_TRUE(r->options[3].isCopy);
    EXPECT_EQ(r->options[3].subNumber, 4);
    EXPECT_EQ(&MdlValuesOwner(*r, r->options[3]), &w);
    const MdlOption& q = r->options[4];
    EXPECT_EQ(q.type, kMdlIdentity | kMdlPickOne);
    EXPECT_EQ(q.selection, 1);
    EXPECT_EQ(&MdlValuesOwner(*r, q), &w);
    EXPECT_EQ(&MdlValuesOwner(*r, early), &w);  // named by key when the values are asked for
    EXPECT_EQ(MdlGetValueInTables(*r, q), 1200u);
}

TEST_F(ModelOptions, FurtherBlocksOfAKeyMakeRecords) {
    ParsePtr r = read(
        // A sub-number without an earlier block: an ordinary record.
        "*OpenUI *VPD_dmCollate 3: Boolean\n*DefaultVPD_dmCollate: True\n*CloseUI\n"
        "*OpenUI *VPD_rdmMediaType: PickOne\n"
        "*VPD_rdmMediaType: { IDS_MEDIA_PLAIN IDS_MEDIA_LABEL }\n"
        "*CloseUI\n"
        // A further block without a sub-number: a record that takes the slot
        // and fills the first block's values.
        "*OpenUI *VPD_rdmMediaType: PickOne\n"
        "*VPD_rdmMediaType IDS_MEDIA_THICK: \"T\"\n"
        "*DefaultVPD_rdmMediaType: IDS_MEDIA_THICK\n"
        "*OptionCommand: \"later\"\n"
        "*CloseUI\n"
        // Of another type: the values of the first block do not fit it.
        "*OpenUI *VPD_rdmMediaType: Boolean\n*CloseUI\n");
    ASSERT_EQ(r->options.size(), 4u);
    EXPECT_FALSE(r->options[3].isCopy);
    EXPECT_EQ(&MdlValuesOwner(*r, r->options[3]), &r->options[3]);
    const MdlOption& collate = r->options[0];
    EXPECT_FALSE(collate.isCopy);
    EXPECT_EQ(collate.subNumber, 3);
    EXPECT_EQ(collate.type, kMdlBoolean);
    EXPECT_EQ(collate.boolean.defaultValue, 1);
    EXPECT_EQ(r->optionSlots[MdlSlotForOptionId(itemOf("VPD_dmCollate"))], 1u);
    const MdlOption& first = r->options[1];
    const MdlOption& later = r->options[2];
    ASSERT_EQ(first.values.size(), 3u);
    EXPECT_TRUE(later.values.empty());
    EXPECT_EQ(&MdlValuesOwner(*r, later), &first);
    EXPECT_EQ(later.selection, 2);
    EXPECT_EQ(first.selection, 0);
    EXPECT_EQ(later.prefix, "later");
    EXPECT_FALSE(first.hasCommands);
    EXPECT_EQ(r->optionSlots[MdlSlotForOptionId(itemOf("VPD_rdmMediaType"))], 4u);
    EXPECT_EQ(MdlGetValueInTables(*r, later), valueId("IDS_MEDIA_THICK"));
    // The records make an image that checks out.
    std::vector<uint8_t> img;
    ASSERT_TRUE(MdlSerializeImage(*r, img));
    ASSERT_TRUE(MdlRelocateImage(img.data(), img.size()));
    EXPECT_TRUE(MdlValidateImage(MdlImageView(img.data(), img.size())));
}

TEST_F(ModelOptions, CommandGroupsStringsFontsAndLibraries) {
    ParsePtr r = read(
        "*FileVersion: 12345678901234567890\n"
        "*UIResDLLName: \"Res.DLL\"\n"
        "*ExcDepDLLName: Exc.DLL\n"                                      // 3 not quoted
        "*CommandString 7: \"seven\"\n"
        "*CommandString 8: \"\"\n"                                       // 5 empty
        "*Judge 4=Colour: { VPD_dmColor == 2 }\n"
        "*CommandGroup: PageStart {\n"
        "  Type: GroupType VPD_dmColor 2\n"
        "  Type: GroupType VPD_dmCopies\n"
        "  Type: StringType 0\n"
        "  Type : FontType\n"
        "  Command: Colour { Type: StringType 7 } ElseIf: Judge9 { Type: StringType 8 } Else { Type: FontType }\n"
        "  Command: NULL { Type: StringType 7 }\n"
        "  Command: Judge4 { }\n"
        "  Command: Judge4 { } Else { Type: StringType 7 }\n"
        "}\n"
        "*CommandGroup: JobEnd { }\n"
        "*CommandGroup: DocReset { Type: Bogus }\n"                      // 18
        "*CommandGroup: DocReset { Other: 1 }\n"                         // 19
        "*CommandGroup: DocReset { Command: Item4 { Type: FontType } }\n"  // 20
        "*CommandGroup: DocReset { Type: StringType 7 } trailing\n"      // 21
        "*FontCartridge: { {\"Cart\" 9} }\n"
        "*CommandGroup: DocReset { Type: StringType 7 \n"                // 23 never closed
        "*CommandString 9: \"swallowed by the open brace\"\n",
        {3, 5, 18, 19, 20, 21, 23});
    EXPECT_EQ(std::u16string(r->fileVersion), u"123456789012345");
    EXPECT_EQ(r->resourceDll, u"Res.DLL");
    EXPECT_TRUE(r->constraintDll.empty());
    ASSERT_EQ(r->commandStrings.size(), 1u);  // 9 went with the open brace
    EXPECT_FALSE(r->groups[kMdlSlotJobEnd - kMdlSlotJobStart]);    // an empty list is dropped
    EXPECT_FALSE(r->groups[kMdlSlotDocReset - kMdlSlotJobStart]);
    ASSERT_TRUE(r->groups[kMdlSlotPageStart - kMdlSlotJobStart]);
    const auto& nodes = r->groups[kMdlSlotPageStart - kMdlSlotJobStart]->first;
    ASSERT_EQ(nodes.size(), 6u);  // StringType 0 and the empty conditional are dropped
    EXPECT_EQ(nodes[0].kind, 1);
    EXPECT_EQ(nodes[0].optionKey, keyOf("VPD_dmColor"));
    EXPECT_EQ(nodes[0].number, 2);
    EXPECT_EQ(nodes[1].number, 0);
    EXPECT_EQ(nodes[2].kind, 4);
    const MdlCommandList& colour = *nodes[3].nested;
    EXPECT_EQ(colour.condition, 4);
    ASSERT_EQ(colour.second.size(), 1u);
    const MdlCommandList& nine = *colour.second[0].nested;
    EXPECT_EQ(nine.condition, 9);  // a Judge defined later is kept by number
    EXPECT_EQ(nine.second[0].kind, 4);
    EXPECT_EQ(nodes[4].nested->condition, 0);
    EXPECT_TRUE(nodes[5].nested->first.empty());
    EXPECT_EQ(nodes[5].nested->second[0].stringNumber, 7);
    ASSERT_EQ(r->cartridgeFonts.size(), 1u);
    EXPECT_EQ(r->cartridgeFonts[0].number, 9);
}
