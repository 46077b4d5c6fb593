#include "OutputNamePlan.h"

#include <QString>

#include <unordered_map>
#include <unordered_set>

namespace ostrel::cli {

OutputNamePlan::OutputNamePlan(std::vector<std::string> names, Policy policy)
    : m_Names(std::move(names)) {
    // The first input that holds each name.
    std::unordered_map<std::string, std::size_t> first;
    first.reserve(m_Names.size());
    std::vector<std::size_t> later;
    for (std::size_t i = 0; i < m_Names.size(); ++i) {
        if (m_Names[i].empty()) {
            continue;
        }
        const auto [at, added] = first.try_emplace(FoldCase(m_Names[i]), i);
        if (!added) {
            m_Collisions.push_back(Collision{at->second, i});
        }
    }
    if (policy == Policy::Refuse || m_Collisions.empty()) {
        return;
    }
    // Every proposed name stays reserved, so that a new name never takes one that a later
    // input holds; the next number to try is kept per name, so each number is tried once.
    std::unordered_set<std::string> taken;
    taken.reserve(first.size() + m_Collisions.size());
    for (const auto& [key, index] : first) {
        taken.insert(key);
    }
    std::unordered_map<std::string, std::size_t> nextNumber;
    for (const Collision& collision : m_Collisions) {
        std::string& name = m_Names[collision.Later];
        std::size_t& number = nextNumber.try_emplace(FoldCase(name), 2).first->second;
        std::string candidate = WithSuffix(name, number);
        std::string key = FoldCase(candidate);
        while (taken.contains(key)) {
            candidate = WithSuffix(name, ++number);
            key = FoldCase(candidate);
        }
        ++number;
        taken.insert(std::move(key));
        name = std::move(candidate);
        ++m_Renamed;
    }
    m_Collisions.clear();
}

std::string OutputNamePlan::FoldCase(std::string name) {
    bool ascii = true;
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        ascii = ascii && (c & 0x80) == 0;
    }
    if (ascii) {
        return name;
    }
    // Other scripts by Unicode's case folding (É and é, Ω and ω); a name that is not UTF-8 keeps
    // its other bytes, so that no two different bytes are taken for one character.
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (text.toUtf8().toStdString() != name) {
        return name;
    }
    return text.toCaseFolded().toUtf8().toStdString();
}

std::string OutputNamePlan::WithSuffix(const std::string& name, std::size_t number) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot <= base) {
        dot = name.size();
    }
    return name.substr(0, dot) + "-" + std::to_string(number) + name.substr(dot);
}

} // namespace ostrel::cli
