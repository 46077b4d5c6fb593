#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ostrel::cli {

// The names of all files of a batch, settled before the first one is written, so that no symbol
// silently replaces another. Two names collide when they are equal once letters are taken in one
// case (FoldCase): the files must survive a copy to a disk that ignores letter case. The work is
// linear in the number of names (one hash set).
class OutputNamePlan {
public:
    enum class Policy {
        Refuse, // collisions are reported and nothing is renamed
        Suffix, // a later name gets -2, -3, ... before its extension, in input order
    };

    // Two inputs that name the same file: the indexes of the first input with the name and of
    // a later one.
    struct Collision {
        std::size_t First = 0;
        std::size_t Later = 0;
    };

    // names holds one proposed name per input, an empty one for an input that writes nothing.
    OutputNamePlan(std::vector<std::string> names, Policy policy);

    // The names to write, one per input (empty where the proposal was empty).
    const std::vector<std::string>& Names() const { return m_Names; }
    // Refuse: every collision, in input order of the later input. Suffix: none.
    const std::vector<Collision>& Collisions() const { return m_Collisions; }
    // Suffix: how many names were changed.
    std::size_t Renamed() const { return m_Renamed; }

    // The key under which names collide: ASCII letters in lower case, and a UTF-8 name with
    // other characters case-folded as Unicode says (Qt's QString::toCaseFolded: "É" and "é",
    // "Straße" and "STRASSE" are one key). Not normalised: "é" as one code point and as "e" with
    // a combining accent stay two names, as they are two files on Linux and Windows.
    static std::string FoldCase(std::string name);
    // name with "-number" before the extension of its last path element ("a/b.png", 2 gives
    // "a/b-2.png"; "a/b" gives "a/b-2"; a leading dot does not start an extension).
    static std::string WithSuffix(const std::string& name, std::size_t number);

private:
    std::vector<std::string> m_Names;
    std::vector<Collision> m_Collisions;
    std::size_t m_Renamed = 0;
};

} // namespace ostrel::cli
