#include "ifd_block.h"

void IfdBlock::Clear()
{
    ClearKeepingMemory();
    m_entries.shrink_to_fit();
}

void IfdBlock::ClearKeepingMemory()
{
    m_entryCount = 0;
    m_scratch = TiffEntry{};
    m_entries.clear();
}

ReadResult ReadTiffHeader(BoundedStream& stream, std::uint8_t (&header)[8], int& bSwap)
{
    const ReadResult result = stream.ReadAt(0, header, sizeof header);
    bSwap = (result == ReadResult::kOk && header[0] == 0x49) ? 1 : 0;
    return result;
}

ReadResult ReadIfd(BoundedStream& stream, std::uint64_t position, int bSwap, IfdBlock& block)
{
    block.ClearKeepingMemory();

    std::uint8_t countBytes[2];
    ReadResult result = stream.ReadAt(position, countBytes, sizeof countBytes);
    if (result != ReadResult::kOk)
        return result;
    if (bSwap)
        ReverseBytes(2, countBytes);
    const std::uint16_t entryCount = static_cast<std::uint16_t>(countBytes[0] << 8 | countBytes[1]);

    // The size check comes before the allocation: a corrupt count must not
    // make us reserve memory for entries the file does not have.
    const std::uint64_t entriesAt = position + sizeof countBytes;
    const std::uint64_t entryBytes = std::uint64_t{entryCount} * sizeof(TiffEntry);
    if (entryBytes > stream.Size() - entriesAt)
        return ReadResult::kOutOfRange;

    std::vector<TiffEntry>& entries = block.m_entries;
    entries.resize(entryCount);
    result = stream.ReadAt(entriesAt, entries.data(), static_cast<std::size_t>(entryBytes));
    if (result != ReadResult::kOk) {
        entries.clear();
        return result;
    }
    if (bSwap) {
        for (TiffEntry& entry : entries)
            NormaliseEntry(entry);
    }

    block.m_entryCount = entryCount;
    if (entryCount > 0)
        block.m_scratch = entries.back();
    return ReadResult::kOk;
}
