#include "console/dialog/message_map.h"

const MessageMap CCmdTarget::messageMap = {nullptr, {}};

const MessageMapEntry* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->pBaseMap) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.nMessage == nMessage && entry.nCode == nCode && entry.nID == nID) {
                return &entry;
            }
        }
    }
    return nullptr;
}

bool CCmdTarget::DispatchCommand(UINT nCode, UINT nID) {
    const MessageMapEntry* entry = FindMessageEntry(WM_COMMAND, nCode, nID);
    if (entry == nullptr) {
        return false;
    }
    (this->*std::get<AFX_PMSG>(entry->pfn))();
    return true;
}
