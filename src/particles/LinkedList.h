#pragma once
#include <cstdint>

// A node of TLinkedList. Derived records (TParticle) add their own fields after these.
class TLink {
public:
  TLink() = default;

  TLink* Prev = nullptr;
  TLink* Next = nullptr;
  // Ordinal given when the pool is filled (0..Capacity - 1); not used by the list itself.
  int32_t Index = 0;
  // True while the node is on the active chain; lets Release refuse a node that is not.
  bool OnActiveChain = false;
};

// A fixed pool of intrusively linked nodes on two chains: free and active. Nodes are taken from
// the free chain's tail onto the active chain's tail and given back to the free chain's tail, so
// the most recently released node is reused first and the active chain stays in the order the
// nodes were taken (oldest at ActiveHead). Nothing is allocated after the pool is filled; the
// storage of the nodes belongs to the derived class that fills the pool.
class TLinkedList {
public:
  TLinkedList() = default;
  virtual ~TLinkedList();
  TLinkedList(const TLinkedList&) = delete;
  TLinkedList& operator=(const TLinkedList&) = delete;

  TLink* FreeHead = nullptr;
  TLink* FreeTail = nullptr;
  TLink* ActiveHead = nullptr;
  TLink* ActiveTail = nullptr;
  // Set by the derived class that fills the pool.
  int32_t Capacity = 0;
  // Nodes currently on the active chain, kept by Allocate and Release.
  int32_t ActiveCount = 0;

  // Moves the free chain's tail to the end of the active chain; nullptr when none is free.
  TLink* Allocate();
  // Moves Node from the active chain to the end of the free chain and returns the node that
  // followed it on the active chain (nullptr if it was the last), so that a caller can release
  // nodes while walking. A node that is not on the active chain (nullptr, a free node, one
  // released twice) is left alone and nullptr is returned: unlinking it would corrupt both chains.
  TLink* Release(TLink* Node);

  // Counts the nodes found on both chains. A walk stops after more steps than the pool could
  // hold, so a chain that was broken into a cycle still ends.
  int32_t CountNodes() const;
  // Teardown check: counts both chains and, if the count differs from Capacity, reports
  // "Lost Particle Exception - <count>" through ShowErrorBox. Both chains are emptied afterwards,
  // so the check runs once; later calls return the first result. Returns true when every node
  // was accounted for. Destructors call this
  // instead of throwing.
  bool Destroy();

protected:
  // Links Node onto the end of the free chain; used while filling the pool.
  void AppendFree(TLink* Node);

private:
  // Links Node onto the end of the chain from Head to Tail, as its last node.
  static void Append(TLink*& Head, TLink*& Tail, TLink* Node);

  bool Destroyed = false;
  bool AllAccounted = true;
};
