#include "particles/LinkedList.h"

#include <string>

#include "platform/Platform.h"

TLinkedList::~TLinkedList() {
  // Derived classes run the check while their nodes still exist; this catches a pool that
  // never did.
  if (!Destroyed) Destroy();
}

TLink* TLinkedList::Allocate() {
  TLink* node = FreeTail;
  if (node == nullptr) return nullptr;
  if (TLink* prev = node->Prev) {
    FreeTail = prev;
    prev->Next = nullptr;
  } else {
    FreeHead = nullptr;
    FreeTail = nullptr;
  }
  Append(ActiveHead, ActiveTail, node);
  node->OnActiveChain = true;
  ++ActiveCount;
  return node;
}

TLink* TLinkedList::Release(TLink* Node) {
  if (Node == nullptr || !Node->OnActiveChain) return nullptr;
  TLink* result;
  if (TLink* prev = Node->Prev) {
    if (TLink* next = Node->Next) {
      prev->Next = next;
      next->Prev = prev;
      result = next;
    } else {
      prev->Next = nullptr;
      ActiveTail = prev;
      result = nullptr;
    }
  } else if (TLink* next = Node->Next) {
    ActiveHead = next;
    next->Prev = nullptr;
    result = next;
  } else {
    ActiveHead = nullptr;
    ActiveTail = nullptr;
    result = nullptr;
  }
  Node->OnActiveChain = false;
  AppendFree(Node);
  --ActiveCount;
  return result;
}

void TLinkedList::Append(TLink*& Head, TLink*& Tail, TLink* Node) {
  Node->Prev = Tail;
  Node->Next = nullptr;
  if (Tail)
    Tail->Next = Node;
  else
    Head = Node;
  Tail = Node;
}

void TLinkedList::AppendFree(TLink* Node) {
  Append(FreeHead, FreeTail, Node);
}

int32_t TLinkedList::CountNodes() const {
  // More than Capacity nodes on one chain can only be a cycle or foreign nodes; stop one past.
  const int32_t limit = Capacity + 1;
  int32_t count = 0;
  for (const TLink* head : {FreeHead, ActiveHead}) {
    int32_t onChain = 0;
    for (const TLink* node = head; node != nullptr && onChain < limit; node = node->Next) ++onChain;
    count += onChain;
  }
  return count;
}

bool TLinkedList::Destroy() {
  if (Destroyed) return AllAccounted;
  Destroyed = true;
  const int32_t count = CountNodes();
  FreeHead = FreeTail = ActiveHead = ActiveTail = nullptr;
  ActiveCount = 0;
  AllAccounted = count == Capacity;
  if (!AllAccounted) ShowErrorBox("Lost Particle Exception - " + std::to_string(count));
  return AllAccounted;
}
