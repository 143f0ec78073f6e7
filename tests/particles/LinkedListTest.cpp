#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "particles/Particle.h"

namespace {

// Walks a chain both ways and checks its links agree; returns the nodes head to tail.
std::vector<TLink*> Chain(TLink* Head, TLink* Tail) {
  std::vector<TLink*> forward;
  for (TLink* n = Head; n != nullptr && forward.size() <= 10001; n = n->Next) forward.push_back(n);
  std::vector<TLink*> backward;
  for (TLink* n = Tail; n != nullptr && backward.size() <= 10001; n = n->Prev)
    backward.insert(backward.begin(), n);
  EXPECT_EQ(forward, backward) << "Prev and Next links disagree";
  if (!forward.empty()) {
    EXPECT_EQ(forward.front()->Prev, nullptr);
    EXPECT_EQ(forward.back()->Next, nullptr);
  }
  return forward;
}

std::vector<TLink*> Active(TParticleList& L) {
  return Chain(L.ActiveHead, L.ActiveTail);
}
std::vector<TLink*> Free(TParticleList& L) {
  return Chain(L.FreeHead, L.FreeTail);
}

// Every node is on exactly one chain and the two chains hold Capacity distinct nodes.
void ExpectAccounted(TParticleList& L) {
  const std::vector<TLink*> active = Active(L), free = Free(L);
  std::set<TLink*> all(active.begin(), active.end());
  all.insert(free.begin(), free.end());
  EXPECT_EQ(all.size(), size_t(L.Capacity));
  EXPECT_EQ(active.size() + free.size(), size_t(L.Capacity));
  EXPECT_EQ(L.ActiveCount, int32_t(active.size()));
}

} // namespace

TEST(LinkedList, TakesFromTheFreeTailAndReusesTheLastReleased) {
  TParticleList list;
  const std::vector<TLink*> free = Free(list);
  ASSERT_EQ(free.size(), 10000u);
  for (size_t k = 0; k < free.size(); ++k) ASSERT_EQ(free[k]->Index, int32_t(k));

  TParticle* a = list.Allocate();
  TParticle* b = list.Allocate();
  EXPECT_EQ(a->Index, 9999);
  EXPECT_EQ(b->Index, 9998);
  EXPECT_EQ(Active(list), (std::vector<TLink*>{a, b})) << "oldest first";
  list.Release(a);
  EXPECT_EQ(list.Allocate(), a);
  EXPECT_EQ(Active(list), (std::vector<TLink*>{b, a}));
  ExpectAccounted(list);
}

TEST(LinkedList, ReleaseUnlinksHeadOnlyTailAndMiddle) {
  struct Case {
    const char* Name;
    int Live;     // nodes allocated
    int Released; // position on the active chain of the node released
  };
  const Case cases[] = {{"only", 1, 0}, {"head", 3, 0}, {"tail", 3, 2}, {"middle", 3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TParticleList list;
    std::vector<TParticle*> live;
    for (int i = 0; i < c.Live; ++i) live.push_back(list.Allocate());
    TParticle* node = live[c.Released];
    TLink* expectedNext = c.Released + 1 < c.Live ? live[c.Released + 1] : nullptr;

    EXPECT_EQ(list.Release(node), expectedNext);

    std::vector<TLink*> expectedActive(live.begin(), live.end());
    expectedActive.erase(expectedActive.begin() + c.Released);
    EXPECT_EQ(Active(list), expectedActive);
    if (expectedActive.empty()) {
      EXPECT_EQ(list.ActiveHead, nullptr);
      EXPECT_EQ(list.ActiveTail, nullptr);
    } else {
      EXPECT_EQ(list.ActiveHead, expectedActive.front());
      EXPECT_EQ(list.ActiveTail, expectedActive.back());
    }
    EXPECT_EQ(list.FreeTail, node) << "released nodes join the end of the free chain";
    EXPECT_EQ(node->Next, nullptr);
    ExpectAccounted(list);
  }
}

TEST(LinkedList, ExhaustsAtCapacityAndReleasingWhileWalkingFreesEverything) {
  TParticleList list;
  std::set<TParticle*> distinct;
  for (int i = 0; i < 10000; ++i) distinct.insert(list.Allocate());
  EXPECT_EQ(distinct.size(), 10000u);
  EXPECT_EQ(distinct.count(nullptr), 0u);
  TLink* head = list.ActiveHead;
  EXPECT_EQ(list.Allocate(), nullptr) << "the 10001st";
  EXPECT_EQ(list.ActiveHead, head);
  EXPECT_EQ(list.ActiveCount, 10000);
  ExpectAccounted(list);

  int visited = 0;
  for (TParticle* p = list.First(); p != nullptr; p = list.Release(p)) ++visited;
  EXPECT_EQ(visited, 10000);
  EXPECT_EQ(list.ActiveHead, nullptr);
  EXPECT_EQ(list.ActiveTail, nullptr);
  EXPECT_EQ(Free(list).size(), 10000u);
  ExpectAccounted(list);

  // Releasing every other node while walking keeps the rest in allocation order.
  std::vector<TParticle*> taken;
  for (int i = 0; i < 6; ++i) taken.push_back(list.Allocate());
  int position = 0;
  for (TParticle* p = list.First(); p != nullptr; ++position)
    p = position % 2 == 0 ? list.Release(p) : static_cast<TParticle*>(p->Next);
  EXPECT_EQ(Active(list), (std::vector<TLink*>{taken[1], taken[3], taken[5]}));
  ExpectAccounted(list);
}

TEST(LinkedList, ReleaseRefusesNodesNotOnTheActiveChain) {
  TParticleList list;
  TParticle* a = list.Allocate();
  TParticle* b = list.Allocate();
  TParticle* c = list.Allocate();
  list.Release(b);
  const std::vector<TLink*> activeBefore = Active(list);
  const std::vector<TLink*> freeBefore = Free(list);

  EXPECT_EQ(list.Release(b), nullptr) << "released twice";
  EXPECT_EQ(list.Release(static_cast<TParticle*>(list.FreeHead)), nullptr) << "a free node";
  EXPECT_EQ(list.Release(nullptr), nullptr);

  EXPECT_EQ(Active(list), activeBefore);
  EXPECT_EQ(Free(list), freeBefore);
  EXPECT_EQ(Active(list), (std::vector<TLink*>{a, c}));
  ExpectAccounted(list);
}

TEST(LinkedList, TeardownCountsBothChainsAndReportsLostNodes) {
  struct Case {
    const char* Name;
    void (*Break)(TParticleList&);
    const char* Report; // nullptr: nothing reported
  };
  const Case cases[] = {
      {"sound pool", [](TParticleList&) {}, nullptr},
      {"node unlinked without joining the free chain",
       [](TParticleList& L) {
         TParticle* a = L.Allocate();
         L.Allocate();
         TParticle* c = L.Allocate();
         a->Next = c;
         c->Prev = a;
       },
       "Lost Particle Exception - 9999"},
      // The walk of the cyclic chain stops one past capacity; the 100 live nodes add to it.
      {"free chain closed into a cycle", [](TParticleList& L) { L.FreeTail->Next = L.FreeHead; },
       "Lost Particle Exception - 10101"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TParticleList list;
    for (int i = 0; i < 100; ++i) list.Allocate();
    c.Break(list);
    testing::internal::CaptureStderr();
    EXPECT_EQ(list.Destroy(), c.Report == nullptr);
    EXPECT_EQ(list.Destroy(), c.Report == nullptr) << "a second call keeps the result";
    const std::string err = testing::internal::GetCapturedStderr();
    if (c.Report == nullptr) {
      EXPECT_EQ(err, "");
    } else {
      EXPECT_NE(err.find(c.Report), std::string::npos) << err;
      EXPECT_EQ(err.find("Lost", err.find("Lost") + 1), std::string::npos) << "reported twice";
    }
  }
  // A pool nobody checked is checked by its destructor.
  testing::internal::CaptureStderr();
  {
    TParticleList list;
    list.FreeHead = list.FreeHead->Next; // node 0 lost
    list.FreeHead->Prev = nullptr;
  }
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Lost Particle Exception - 9999"),
            std::string::npos);
}
