#pragma once
// The highest freshness sequence a program built with a manifest key has accepted from
// each manifest address, so that an older signed manifest served later is refused. Kept
// under the program's settings key, one value per address: its name is the address, its
// data the sequence in decimal. Only a build with a key reads or writes them.
#include <cstdint>
#include <optional>
#include <string>

extern const char kManifestSequencesKey[];  // "Software\Kavex\WebUpdates\ManifestSequences"

// The highest sequence accepted from address; nothing when none was stored, or the stored
// text is not a sequence (which the next accepted manifest then replaces).
std::optional<std::uint64_t> AcceptedManifestSequence(const std::string& address);

// Remembers that a manifest with sequence was accepted from address, when it is higher
// than the one stored. A store that cannot be written is not an error: the sequence
// stored before, if any, stays in force.
void RecordManifestSequence(const std::string& address, std::uint64_t sequence);
