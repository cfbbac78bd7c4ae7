#include "res/lookup_tables.h"

#include <span>

#include "res/resource.h"

namespace res {
namespace {

struct IdText {
    int id;
    const char* text;
};

constexpr IdText kIconFiles[] = {
    {IDR_MAINFRAME, "velkaro.ico"},
};

const char* Lookup(std::span<const IdText> table, int id) {
    for (const IdText& entry : table) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return nullptr;
}

}  // namespace

const char* FindIconFile(int id) {
    return Lookup(kIconFiles, id);
}

}  // namespace res
