#include "res/lookup_tables.h"

#include <span>

#include "res/resource.h"

namespace res {
namespace {

struct IdText {
    int id;
    const char* text;
};

constexpr IdText kStrings[] = {
    {IDS_ABOUTBOX, "关于 Velkaro(&A)..."},
    {IDS_ACCEPTANCE, "验收测试(&T)..."},
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

const char* FindString(int id) {
    return Lookup(kStrings, id);
}

const char* FindIconFile(int id) {
    return Lookup(kIconFiles, id);
}

}  // namespace res
