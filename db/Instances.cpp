#include "db/Instances.h"

#include <unordered_map>

namespace {
std::unordered_map<std::type_index, QObject*>& registry() {
    static std::unordered_map<std::type_index, QObject*> map;
    return map;
}
} // namespace

void Instances::put(std::type_index type, QObject* object) {
    registry()[type] = object;
}

QObject* Instances::get(std::type_index type) {
    auto it = registry().find(type);
    return it == registry().end() ? nullptr : it->second;
}

void Instances::remove(std::type_index type) {
    registry().erase(type);
}
