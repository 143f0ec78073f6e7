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

TEST(LinkedList, FillsFreeChainInOrderAndTakesFromItsTail) {
  TParticleList list;
  EXPECT_EQ(list.Capacity, 10000);
  EXPECT_EQ(list.ActiveHead, nullptr);
  EXPECT_EQ(list.ActiveTail, nullptr);
  const std::vector<TLink*> free = Free(list);
  ASSERT_EQ(free.size(), 10000u);
  for (size_t k = 0; k < free.size(); ++k) ASSERT_EQ(free[k]->Index, int32_t(k));

  TParticle* a = list.Allocate();
  TParticle* b = list.Allocate();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->Index, 9999);
  EXPECT_EQ(b->Index, 9998);
  EXPECT_EQ(list.First(), a) << "the oldest node heads the active chain";
  EXPECT_EQ(list.ActiveTail, b);
  EXPECT_EQ(list.FreeTail->Index, 9997);
  ExpectAccounted(list);
}

TEST(LinkedList, AllocateReleaseAllocateReturnsTheSameNode) {
  TParticleList list;
  list.Allocate(); // something else live, so the released node is not the only one
  TParticle* first = list.Allocate();
  list.Release(first);
  EXPECT_EQ(list.FreeTail, first);
  EXPECT_EQ(list.Allocate(), first);
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

TEST(LinkedList, ReleasingWhileWalkingFreesEverything) {
  TParticleList list;
  for (int i = 0; i < 10000; ++i) ASSERT_NE(list.Allocate(), nullptr);
  int visited = 0;
  for (TParticle* p = list.First(); p != nullptr; p = list.Release(p)) ++visited;
  EXPECT_EQ(visited, 10000);
  EXPECT_EQ(list.ActiveHead, nullptr);
  EXPECT_EQ(list.ActiveTail, nullptr);
  EXPECT_EQ(list.ActiveCount, 0);
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

TEST(LinkedList, ExhaustedPoolReturnsNoneAndChangesNothing) {
  TParticleList list;
  std::set<TParticle*> distinct;
  for (int i = 0; i < 10000; ++i) distinct.insert(list.Allocate());
  EXPECT_EQ(distinct.size(), 10000u);
  EXPECT_EQ(distinct.count(nullptr), 0u);
  EXPECT_EQ(list.FreeHead, nullptr);
  EXPECT_EQ(list.FreeTail, nullptr);
  TLink* head = list.ActiveHead;
  TLink* tail = list.ActiveTail;
  EXPECT_EQ(list.Allocate(), nullptr);
  EXPECT_EQ(list.ActiveHead, head);
  EXPECT_EQ(list.ActiveTail, tail);
  EXPECT_EQ(list.ActiveCount, 10000);
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
  {
    SCOPED_TRACE("sound pool");
    TParticleList list;
    for (int i = 0; i < 123; ++i) list.Allocate();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(list.Destroy());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  {
    SCOPED_TRACE("node unlinked from the active chain without joining the free chain");
    TParticleList list;
    TParticle* a = list.Allocate();
    TParticle* b = list.Allocate();
    TParticle* c = list.Allocate();
    a->Next = c; // b falls off both chains
    c->Prev = a;
    (void)b;
    EXPECT_EQ(list.CountNodes(), 9999);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(list.Destroy());
    EXPECT_FALSE(list.Destroy()) << "a second call keeps the result";
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Lost Particle Exception - 9999"), std::string::npos) << err;
    EXPECT_EQ(err.find("Lost Particle Exception", err.find("Lost") + 1), std::string::npos)
        << "reported once: " << err;
  }
  {
    SCOPED_TRACE("free chain broken into a cycle");
    TParticleList list;
    list.FreeTail->Next = list.FreeHead;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(list.Destroy());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Lost Particle Exception - 10001"), std::string::npos) << err;
  }
  {
    SCOPED_TRACE("the destructor runs the check when nobody else did");
    testing::internal::CaptureStderr();
    {
      TParticleList list;
      list.FreeHead->Next->Prev = nullptr;
      list.FreeHead = list.FreeHead->Next; // node 0 lost
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Lost Particle Exception - 9999"), std::string::npos) << err;
  }
}
