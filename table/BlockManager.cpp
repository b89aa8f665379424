#include "table/BlockManager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "table/PageMemory.h"

namespace {
constexpr char16_t Unit[] = u"MemData";
}

TBlockManager::~TBlockManager() {
  FreeAllBlocks();
  // Stand-alone blocks belong to whoever made them, but never leak them.
  for (auto& [addr, block] : FBlocks) FreeBlockMemory(block);
  FBlocks.clear();
}

TItemHeader* TBlockManager::ItemAt(TBlockHeader* block, int index) const {
  return reinterpret_cast<TItemHeader*>(reinterpret_cast<Byte*>(FirstItemOf(block)) + ItemSize() * index);
}

void TBlockManager::FreeBlockMemory(TBlockHeader* block) {
  std::free(block->SavedOrders);
  if (block->Huge) FreeHugeRegion(block);
  else std::free(block);
}

void TBlockManager::DropBlock(TBlockHeader* block) {
  FBlocks.erase(reinterpret_cast<const Byte*>(block));
  if (FLastBlock == block) FLastBlock = nullptr;
  FreeBlockMemory(block);
}

TBlockHeader* TBlockManager::BlockOf(const TItemHeader* item) const {
  auto p = reinterpret_cast<const Byte*>(item);
  // Items are mostly taken and given back block by block.
  if (FLastBlock != nullptr && p > reinterpret_cast<const Byte*>(FLastBlock) &&
      p < reinterpret_cast<const Byte*>(FirstItemOf(FLastBlock)) + ItemSize() * FLastBlock->ItemCount) {
    return FLastBlock;
  }
  auto it = FBlocks.upper_bound(p);
  Assert(it != FBlocks.begin(), Unit);
  FLastBlock = std::prev(it)->second;
  return FLastBlock;
}

Word TBlockManager::NextBlockItemCount() const {
  size_t fit = std::min<size_t>((HugeRegionSize - sizeof(TBlockHeader)) / ItemSize(), 0xFFFF);
  size_t count = std::max<size_t>(DefaultItemCount, std::min(fit, FLinkedItems));
  return static_cast<Word>(std::min<size_t>(count, 0xFFFF));
}

TBlockHeader* TBlockManager::AllocBlock(Word itemCount, bool standAloneBlock) {
  size_t bytes = sizeof(TBlockHeader) + ItemSize() * itemCount;
  // A block that fills most of a huge region gets one of its own.
  bool huge = bytes > HugeRegionSize / 2 && bytes <= HugeRegionSize;
  auto* block = static_cast<TBlockHeader*>(huge ? AllocHugeRegion() : std::malloc(bytes));
  if (block == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  block->ItemCount = itemCount;
  block->UsedItems = 0;
  block->Huge = huge;
  block->Id = FNextBlockId++;
  block->SavedOrders = nullptr;
  block->Prev = nullptr;
  block->Next = nullptr;
  if (!standAloneBlock) {
    block->Next = FirstBlock;
    if (FirstBlock != nullptr) FirstBlock->Prev = block;
    FirstBlock = block;
    FLinkedItems += itemCount;
  }
  FBlocks.emplace(reinterpret_cast<const Byte*>(block), block);
  return block;
}

TBlockHeader* TBlockManager::ReAllocBlock(TBlockHeader* block, Word itemCount) {
  bool linked = block == FirstBlock || block->Prev != nullptr;
  TBlockHeader* fresh = AllocBlock(itemCount, true);
  fresh->Prev = block->Prev;
  fresh->Next = block->Next;
  if (linked) {
    if (fresh->Prev != nullptr) fresh->Prev->Next = fresh;
    else FirstBlock = fresh;
    if (fresh->Next != nullptr) fresh->Next->Prev = fresh;
  }
  if (linked) FLinkedItems += static_cast<size_t>(itemCount) - block->ItemCount;
  DropBlock(block);
  return fresh;
}

void TBlockManager::FreeBlock(TBlockHeader* block, bool standAloneBlock) {
  if (!standAloneBlock) {
    if (block->Prev != nullptr) block->Prev->Next = block->Next;
    else if (FirstBlock == block) FirstBlock = block->Next;
    if (block->Next != nullptr) block->Next->Prev = block->Prev;
    FLinkedItems -= block->ItemCount;
  }
  DropBlock(block);
}

void TBlockManager::FreeAllBlocks() {
  while (FirstBlock != nullptr) {
    TBlockHeader* next = FirstBlock->Next;
    DropBlock(FirstBlock);
    FirstBlock = next;
  }
  FirstFree = nullptr;
  FLinkedItems = 0;
}

void TBlockManager::AddFreeBlock() {
  TBlockHeader* block = AllocBlock(NextBlockItemCount(), false);
  for (int i = 0; i < block->ItemCount; ++i) {
    TItemHeader* item = ItemAt(block, i);
    item->Flag = flFree;
    item->Generation = 0;
    item->Prev = nullptr;
    item->Next = FirstFree;
    if (FirstFree != nullptr) FirstFree->Prev = item;
    FirstFree = item;
  }
}

void TBlockManager::UnlinkFree(TItemHeader* item) {
  if (item->Prev != nullptr) item->Prev->Next = item->Next;
  else FirstFree = item->Next;
  if (item->Next != nullptr) item->Next->Prev = item->Prev;
  item->Prev = nullptr;
  item->Next = nullptr;
}

TItemHeader* TBlockManager::AllocItem() {
  if (FirstFree == nullptr) AddFreeBlock();
  TItemHeader* item = FirstFree;
  Assert(item->Flag == flFree, Unit);
  UnlinkFree(item);
  item->Flag = flUsed;
  TBlockHeader* block = BlockOf(item);
  if (item->Generation == MaxItemGeneration) {
    // The slot's generations are used up: the block takes a new id, so that
    // the serials of its records so far name none of its records to come.
    block->Id = FNextBlockId++;
    item->Generation = 0;
  }
  ++item->Generation;
  if (block->SavedOrders != nullptr) block->SavedOrders[IndexOf(block, item)] = 0;
  ++block->UsedItems;
  return item;
}

void TBlockManager::FreeItem(TItemHeader* item) {
  Assert(item->Flag == flUsed, Unit);
  item->Flag = flFree;
  TBlockHeader* block = BlockOf(item);
  if (block->UsedItems > 1) {
    item->Prev = nullptr;
    item->Next = FirstFree;
    if (FirstFree != nullptr) FirstFree->Prev = item;
    FirstFree = item;
    --block->UsedItems;
    return;
  }
  // The block's last item in use: take its other items off the free list and
  // give the whole block back.
  for (int i = 0; i < block->ItemCount; ++i) {
    TItemHeader* other = ItemAt(block, i);
    if (other == item) continue;
    Assert(other->Flag == flFree, Unit);
    UnlinkFree(other);
  }
  FreeBlock(block, false);
}

void TBlockManager::PutRecord(TItemHeader* item, const Byte* rec) const {
  std::memcpy(GetRecordPtr(item), rec, static_cast<size_t>(RecordSize));
}

void TBlockManager::GetRecord(TItemHeader* item, Byte* rec) const {
  std::memcpy(rec, GetRecordPtr(item), static_cast<size_t>(RecordSize));
}

void TBlockManager::CopyRecord(TItemHeader* itemSrc, TItemHeader* itemDest) const {
  std::memcpy(GetRecordPtr(itemDest), GetRecordPtr(itemSrc), static_cast<size_t>(RecordSize));
}

bool TBlockManager::IsLiveItem(const TItemHeader* item, UInt64 serial) const {
  if (item == nullptr || serial == 0) return false;
  auto p = reinterpret_cast<const Byte*>(item);
  auto it = FBlocks.upper_bound(p);
  if (it == FBlocks.begin()) return false;
  --it;
  TBlockHeader* block = it->second;
  auto first = reinterpret_cast<const Byte*>(FirstItemOf(block));
  if (p < first) return false;
  size_t offset = static_cast<size_t>(p - first);
  if (offset % ItemSize() != 0 || offset / ItemSize() >= block->ItemCount) return false;
  return item->Flag == flUsed && (block->Id << ItemGenerationBits | item->Generation) == serial;
}

Integer TBlockManager::SavedOrder(const TItemHeader* item) const {
  TBlockHeader* block = BlockOf(item);
  return block->SavedOrders != nullptr ? block->SavedOrders[IndexOf(block, item)] : 0;
}

void TBlockManager::SetSavedOrder(const TItemHeader* item, Integer order) {
  TBlockHeader* block = BlockOf(item);
  if (block->SavedOrders == nullptr) {
    if (order == 0) return;
    block->SavedOrders = static_cast<Integer*>(std::calloc(block->ItemCount, sizeof(Integer)));
    if (block->SavedOrders == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  }
  block->SavedOrders[IndexOf(block, item)] = order;
}
