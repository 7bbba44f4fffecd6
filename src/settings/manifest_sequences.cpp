#include "settings/manifest_sequences.h"

#include "platform/text.h"
#include "settings/registry_settings.h"

const char kManifestSequencesKey[] = "Software\\Kavex\\WebUpdates\\ManifestSequences";

namespace {

// The longest sequence a freshness line carries.
const std::size_t kMaxSequenceDigits = 18;

}  // namespace

std::optional<std::uint64_t> AcceptedManifestSequence(const std::string& address) {
  std::string text;
  std::uint64_t sequence = 0;
  if (ReadRegString(kManifestSequencesKey, address, text) &&
      ParseDigits(text, kMaxSequenceDigits, sequence))
    return sequence;
  return std::nullopt;
}

void RecordManifestSequence(const std::string& address, std::uint64_t sequence) {
  const std::optional<std::uint64_t> stored = AcceptedManifestSequence(address);
  if (!stored || sequence > *stored)
    WriteRegString(kManifestSequencesKey, address, std::to_string(sequence));
}
