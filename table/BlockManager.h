// Fixed-size record slots handed out from blocks of items, reused through a
// free list; a block goes back to the platform when its last item is freed.
#pragma once

#include <map>

#include "platform/rtl/Types.h"
#include "table/Data.h"

struct TBlockHeader;

enum TItemFilterState : Byte { fsNotChecked = 0, fsNotOmitted = 1, fsOmitted = 2 };

// An item's Flag.
inline constexpr Byte flUsed = 1;
inline constexpr Byte flFree = 0;

// An item slot counts its reuses in 24 bits; with the id of its block, never
// reused, that names one record for good (see TBlockManager::SerialOf).
inline constexpr int ItemGenerationBits = 24;
inline constexpr Cardinal MaxItemGeneration = (Cardinal{1} << ItemGenerationBits) - 1;

// One row of the store; its record buffer of RecordSize bytes follows
// directly. The block that holds an item is found by its address. The
// states and the slot's generation share one word, and the order a record
// had before the first sort lies with its block: one small header per row.
struct TItemHeader {
  TItemHeader* Prev;
  TItemHeader* Next;
  Integer Order;                  // record number minus the store's offset; 0 when hidden
  Cardinal Generation : ItemGenerationBits;  // reuses of this slot
  TItemStatus Status : 2;
  TUpdateRecAction UpdateResult : 3;
  TItemFilterState FilterResult : 2;
  Byte Flag : 1;                  // flUsed or flFree
};
static_assert(sizeof(TItemHeader) % 8 == 0, "record buffers stay 8-byte aligned");
static_assert(sizeof(TItemHeader) <= 24, "one item header per row: keep it small");

struct TBlockHeader {
  Word ItemCount;
  Word UsedItems;
  bool Huge;  // a huge region of its own (PageMemory.h), not from the heap
  UInt64 Id;  // never given to another block of the manager
  // The saved order of each item (TBlockManager::SavedOrder), made when the
  // first is set.
  Integer* SavedOrders;
  TBlockHeader* Prev;
  TBlockHeader* Next;
};

class TBlockManager {
 public:
  TBlockManager() = default;
  ~TBlockManager();
  TBlockManager(const TBlockManager&) = delete;
  TBlockManager& operator=(const TBlockManager&) = delete;

  TItemHeader* AllocItem();
  void FreeItem(TItemHeader* item);
  TBlockHeader* AllocBlock(Word itemCount, bool standAloneBlock);
  TBlockHeader* ReAllocBlock(TBlockHeader* block, Word itemCount);
  void FreeBlock(TBlockHeader* block, bool standAloneBlock);
  void FreeAllBlocks();
  void AddFreeBlock();

  static Byte* GetRecordPtr(TItemHeader* item) { return reinterpret_cast<Byte*>(item + 1); }
  void PutRecord(TItemHeader* item, const Byte* rec) const;
  void GetRecord(TItemHeader* item, Byte* rec) const;
  void CopyRecord(TItemHeader* itemSrc, TItemHeader* itemDest) const;
  static TItemHeader* FirstItemOf(TBlockHeader* block) { return reinterpret_cast<TItemHeader*>(block + 1); }
  TItemHeader* ItemAt(TBlockHeader* block, int index) const;

  // A number that names the record in item for good: no record the
  // manager holds later has it, in that slot or any other.
  UInt64 SerialOf(const TItemHeader* item) const {
    return BlockOf(item)->Id << ItemGenerationBits | item->Generation;
  }
  // True when item points to an item slot of a block this manager holds and
  // that slot is in use with the given serial. Reads no released memory.
  bool IsLiveItem(const TItemHeader* item, UInt64 serial) const;

  // The record number an item had before the first full renumbering (0 when
  // none was saved; a new item has none).
  Integer SavedOrder(const TItemHeader* item) const;
  void SetSavedOrder(const TItemHeader* item, Integer order);

  Integer RecordSize = 0;
  TItemHeader* FirstFree = nullptr;
  TBlockHeader* FirstBlock = nullptr;
  // Items of the first blocks; a growing store gets blocks as large as the
  // items it already holds, up to one huge region, so that a large table
  // lies in few blocks that the system backs with huge pages.
  Word DefaultItemCount = 25;

 private:
  Word NextBlockItemCount() const;
  static void FreeBlockMemory(TBlockHeader* block);
  // Unlisted from FBlocks and given back.
  void DropBlock(TBlockHeader* block);
  TBlockHeader* BlockOf(const TItemHeader* item) const;

  size_t ItemSize() const { return sizeof(TItemHeader) + static_cast<size_t>(RecordSize + 7) / 8 * 8; }
  void UnlinkFree(TItemHeader* item);

  size_t IndexOf(const TBlockHeader* block, const TItemHeader* item) const {
    return static_cast<size_t>(reinterpret_cast<const Byte*>(item) - reinterpret_cast<const Byte*>(block + 1)) /
           ItemSize();
  }

  UInt64 FNextBlockId = 1;
  size_t FLinkedItems = 0;  // items of the linked blocks
  // Every block held, by address, with its item count: lets a bookmark's item
  // be checked without touching memory that was given back.
  std::map<const Byte*, TBlockHeader*> FBlocks;
  mutable TBlockHeader* FLastBlock = nullptr;  // the block BlockOf found last
};
