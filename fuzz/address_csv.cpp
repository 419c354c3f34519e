// Reads the input as the address list: the parse must either fail with no
// record left or give records whose text fits their fields; writing the
// store back and reading that again must give the same image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "address/csv_store.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CsvStore s{};
    if (!CsvStoreInit(&s)) return 0;
    if (CsvParseRecords(&s, data, size)) {
        CsvBuildDisplayListOf(&s);
        std::vector<BYTE> image;
        if (CsvFormatFile(&s, image)) {
            CsvStore again{};
            if (CsvStoreInit(&again)) {
                if (!CsvParseRecords(&again, image.data(), image.size())) abort();
                CsvBuildDisplayListOf(&again);
                std::vector<BYTE> second;
                if (CsvFormatFile(&again, second) && second != image) abort();
                CsvStoreRelease(&again);
            }
        }
        // Inserting and removing keep the list sound.
        if (CsvRecord* r = CsvListInsert(&s, 1, 1)) r->text[0][0] = u'x';
        while (CsvListRemove(&s, 1)) {}
    } else if (s.readCount != 0) {
        abort();
    }
    CsvStoreRelease(&s);
    return 0;
}
