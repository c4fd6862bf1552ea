// The seal of a medium: the SHA-256 of its N_SETUP.DRS written into the slot its
// SETUP.EXE keeps for it (format/seal.h), and the check of a sealed medium.
#pragma once

#include <filesystem>
#include <optional>

// Copies `setup` to `output` with the digest of `archive` in its slot. Throws
// std::runtime_error when a file cannot be read or written, or `setup` has no slot.
void SealSetup(const std::filesystem::path& setup, const std::filesystem::path& output,
               const std::filesystem::path& archive);

enum class SealState { NotSealed, ArchiveMatches, ArchiveDiffers };

// Whether `setup` is sealed, and for `archive`; nothing for a program without the slot
// (no SETUP.EXE of this drs). Throws std::runtime_error when a file cannot be read.
std::optional<SealState> CheckSeal(const std::filesystem::path& setup,
                                   const std::filesystem::path& archive);

// "sealed, archive matches", "sealed, archive does not match", "not sealed".
const char* SealStateText(SealState state);
