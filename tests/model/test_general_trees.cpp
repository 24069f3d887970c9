#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/lists/General_Trees.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_runtime.h"

namespace {

// Keys are whole numbers carried in the datum itself (never 0, which would be a nil datum).
void* P(std::intptr_t k) { return reinterpret_cast<void*>(k); }
std::intptr_t K(const void* d) { return reinterpret_cast<std::intptr_t>(d); }
anything Key(std::intptr_t k) { return anything{P(k), nullptr, nullptr}; }

int Ascending(void* a, void* b) { return K(a) < K(b) ? -1 : K(a) > K(b) ? 1 : 0; }
int Descending(void* a, void* b) { return -Ascending(a, b); }

// Height of the tree, counted with an explicit stack so that the test itself never recurses.
int Height(anything_ptr root) {
  int best = 0;
  std::vector<std::pair<anything_ptr, int>> todo;
  if (root) todo.push_back({root, 1});
  while (!todo.empty()) {
    auto [n, d] = todo.back();
    todo.pop_back();
    best = std::max(best, d);
    if (n->left) todo.push_back({n->left, d + 1});
    if (n->right) todo.push_back({n->right, d + 1});
  }
  return best;
}

// The keys in order, as a walk hands them over.
std::vector<std::intptr_t> InOrder(TGeneral_Tree& t) {
  std::vector<std::intptr_t> keys;
  t.Traverse([&](anything_ptr& n) { keys.push_back(K(n->datum)); });
  return keys;
}

// An AVL tree of n nodes is at most about 1.44 log2(n + 2) high.
int HeightLimit(std::size_t n) { return int(1.45 * std::log2(double(n) + 2.0)) + 1; }

}  // namespace

TEST(GeneralTree, SortedInputOfAMillionKeysStaysShallow) {
  constexpr std::intptr_t kKeys = 1000000;
  for (const bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "ascending" : "descending");
    TGeneral_Tree t(Ascending);
    std::intptr_t deleted = 0;
    t.fDoDeletingFunct = [&](anything_ptr&) { ++deleted; };
    for (std::intptr_t i = 1; i <= kKeys; ++i) ASSERT_TRUE(t.Add_One(Key(ascending ? i : kKeys + 1 - i)));
    EXPECT_EQ(t.counter, kKeys);
    EXPECT_LE(Height(t.froot), HeightLimit(kKeys));
    // Walks, the pointer array and disposal need no stack as deep as the tree is long.
    std::intptr_t expect = 1;
    bool in_order = true;
    t.Traverse([&](anything_ptr& n) { in_order = in_order && K(n->datum) == expect++; });
    EXPECT_TRUE(in_order);
    EXPECT_EQ(expect, kKeys + 1);
    EXPECT_EQ(t.going, kKeys);
    ASSERT_EQ(t.BuildPtrArray(nullptr, nullptr), kKeys);
    EXPECT_TRUE(std::is_sorted(t.fBuiltPtrArray.begin(), t.fBuiltPtrArray.end(),
                               [](void* a, void* b) { return K(a) < K(b); }));
    anything probe = Key(kKeys / 3);
    ASSERT_NE(t.WhereIs(probe), nullptr);
    EXPECT_EQ(K(t.WhereIs(probe)->datum), kKeys / 3);

    t.Clear();
    EXPECT_EQ(deleted, kKeys);
    EXPECT_TRUE(t.counter == 0 && t.froot == nullptr && t.fBuiltPtrArray.empty() && t.fTreeModified);
  }
}

// A child that records every hook with what it saw of the tree at that moment.
class TraceTree : public TGeneral_Tree {
 public:
  TraceTree() : TGeneral_Tree(Ascending) {}
  ~TraceTree() override { Clear(); }
  std::vector<std::string> trace;

  void Do_Added_One(anything_ptr& node) override {
    // Not linked yet: the root is untouched and the counter not raised; the links still hold
    // what the key record held. The child keeps its own copy of the key.
    trace.push_back("added " + std::to_string(Value(node)) + " counter " + std::to_string(counter) +
                    (froot == node ? " linked" : "") + " links " + std::to_string(K(node->left)) + "," +
                    std::to_string(K(node->right)));
    node->datum = new std::intptr_t(Value(node));
  }
  void Do_Found_Match(anything_ptr& node) override {
    trace.push_back("match " + std::to_string(Value(node)) + " counter " + std::to_string(counter));
  }
  void Do_In_Order(anything_ptr& node) override {
    trace.push_back("visit " + std::to_string(Value(node)) + " going " + std::to_string(going));
  }
  void Do_Deleting(anything_ptr& node) override {
    trace.push_back("deleting " + std::to_string(Value(node)) + " going " + std::to_string(going));
    delete static_cast<std::intptr_t*>(node->datum);
    node->datum = nullptr;
  }
  static std::intptr_t Value(anything_ptr node) { return *static_cast<std::intptr_t*>(node->datum); }
};

TEST(GeneralTree, HooksRunInTheirOrder) {
  TraceTree t;
  // Once a key is stored its datum is the child's copy; the comparison reads through it.
  t.fCompareFunctOfObject = [](void* a, void* b) {
    return Ascending(P(*static_cast<std::intptr_t*>(a)), P(*static_cast<std::intptr_t*>(b)));
  };
  std::intptr_t k2 = 2, k1 = 1, k3 = 3;
  anything key{&k2, reinterpret_cast<anything_ptr>(std::intptr_t(7)), reinterpret_cast<anything_ptr>(std::intptr_t(9))};
  ASSERT_TRUE(t.Add_One(key));
  EXPECT_NE(t.froot->datum, &k2);  // the hook's copy
  EXPECT_TRUE(t.froot->left == nullptr && t.froot->right == nullptr);

  key = anything{&k1, nullptr, nullptr};
  ASSERT_TRUE(t.Add_One(key));
  key.datum = &k3;
  anything_ptr added = t.Add_OnePtr(key);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(TraceTree::Value(added), 3);
  // Matches: the hook runs on the stored node; nothing else changes.
  key.datum = &k1;
  EXPECT_FALSE(t.Add_One(key));
  key.datum = &k3;
  EXPECT_EQ(t.Add_OnePtr(key), nullptr);
  EXPECT_FALSE(t.Add_One_To_Nearest(key));
  EXPECT_EQ(t.counter, 3);

  t.Traverse();
  EXPECT_FALSE(t.fTreeModified);
  t.Clear();

  const std::vector<std::string> want = {
      "added 2 counter 0 links 7,9", "added 1 counter 1 links 0,0", "added 3 counter 2 links 0,0",
      "match 1 counter 3",           "match 3 counter 3",           "match 3 counter 3",
      "visit 1 going 1",             "visit 2 going 2",             "visit 3 going 3",
      "deleting 1 going 2",          "deleting 2 going 1",          "deleting 3 going 0",
  };
  EXPECT_EQ(t.trace, want);
  EXPECT_EQ(t.counter, 0);
  EXPECT_TRUE(t.fTreeModified);
}

TEST(GeneralTree, AFailingAddedHookLeavesTheTreeAsItWas) {
  TGeneral_Tree t(Ascending);
  for (std::intptr_t k : {5, 3, 8}) t.Add_One(Key(k));
  t.fDoAddedOneFunct = [](anything_ptr&) { throw std::runtime_error("no memory for the datum"); };
  EXPECT_THROW(t.Add_One(Key(4)), std::runtime_error);
  EXPECT_EQ(t.counter, 3);
  EXPECT_EQ(InOrder(t), (std::vector<std::intptr_t>{3, 5, 8}));
  t.fDoAddedOneFunct = nullptr;
  EXPECT_TRUE(t.Add_One(Key(4)));
  EXPECT_EQ(InOrder(t), (std::vector<std::intptr_t>{3, 4, 5, 8}));
}

TEST(GeneralTree, WithoutAComparisonEveryKeyMatchesTheRoot) {
  TGeneral_Tree t;
  int matches = 0;
  t.fDoFoundMatchFunct = [&](anything_ptr& n) { matches += n == t.froot; };
  EXPECT_TRUE(t.Add_One(Key(1)));
  EXPECT_FALSE(t.Add_One(Key(2)) || t.Add_One(Key(3)));
  EXPECT_EQ(t.counter, 1);
  EXPECT_EQ(matches, 2);
}

// A child that seeds the tree with every hundredth key and recognises the seeds.
class SeededTree : public TGeneral_Tree {
 public:
  SeededTree() : TGeneral_Tree(Ascending) { general_seedfunct = [this] { Seed_Tree(); }; }
  int in_order_calls = 0;
  void Seed_Tree() override {
    for (std::intptr_t s = 100; s <= 1900; s += 100) {
      current.datum = P(s);
      Add_One(current);
    }
  }
  bool IsASeed(void* datum) override { return K(datum) % 100 == 0; }
  void Do_In_Order(anything_ptr&) override { ++in_order_calls; }
};

TEST(GeneralTree, BuildPtrArrayLeavesOutSeedsAndFilteredNodes) {
  SeededTree t;
  t.general_seedfunct();
  EXPECT_EQ(t.counter, 19);
  std::mt19937 rng(7);
  std::set<std::intptr_t> real;
  while (real.size() < 500) {
    const std::intptr_t k = std::intptr_t(rng() % 2000) + 1;
    if (k % 100 == 0) continue;
    EXPECT_EQ(t.Add_One(Key(k)), real.insert(k).second);
  }
  EXPECT_EQ(t.counter, 519);  // seeds count

  std::vector<std::intptr_t> want;
  for (std::intptr_t k : real)
    if (k % 7 != 0) want.push_back(k);
  const TFilterItOut no_sevens = [](anything_ptr& n) { return K(n->datum) % 7 == 0; };
  // Without a visit, the tree's own in-order handler stays in place.
  ASSERT_EQ(t.BuildPtrArray(nullptr, no_sevens), int(want.size()));
  EXPECT_EQ(t.built_len, int(want.size()));
  std::vector<std::intptr_t> built;
  for (void* d : t.fBuiltPtrArray) built.push_back(K(d));
  EXPECT_EQ(built, want);
  EXPECT_EQ(t.in_order_calls, 0);
  t.Traverse();
  EXPECT_EQ(t.in_order_calls, 519);
  // With a visit: it is stored and run over the array with bare records.
  std::vector<std::intptr_t> visited;
  int bare = 0;
  const TDo_Something visit = [&](anything_ptr& n) {
    bare += n->left == nullptr && n->right == nullptr;
    visited.push_back(K(n->datum));
  };
  ASSERT_EQ(t.BuildPtrArray(visit, nullptr), int(real.size()));
  EXPECT_EQ(visited, std::vector<std::intptr_t>(real.begin(), real.end()));
  EXPECT_EQ(bare, int(real.size()));
  visited.clear();
  t.Traverse();  // the visit is now the tree's in-order handler
  EXPECT_EQ(visited.size(), 519u);
}

TEST(GeneralTree, SortBuiltArrayUsesTheGivenComparison) {
  TGeneral_Tree t(Ascending);
  int compares = 0;
  const TCompare2FunctOfObject counting = [&](void* a, void* b) {
    ++compares;
    return Descending(a, b);
  };
  // None or one element: no comparison at all.
  for (int n = 0; n < 2; ++n) {
    if (n) t.Add_One(Key(4));
    t.BuildPtrArray(nullptr, nullptr);
    t.SortBuiltArray(counting);
  }
  EXPECT_EQ(compares, 0);
  // Many elements with runs of equal ones: ordered, and the comparison stays installed.
  t.fBuiltPtrArray.clear();
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) t.fBuiltPtrArray.push_back(P(std::intptr_t(rng() % 500) + 1));
  std::vector<void*> want = t.fBuiltPtrArray;
  std::sort(want.begin(), want.end(), [](void* a, void* b) { return K(a) > K(b); });
  t.SortBuiltArray(counting);
  EXPECT_EQ(t.fBuiltPtrArray, want);
  EXPECT_GT(compares, 0);
  EXPECT_GT(t.fCompareFunctOfObject(P(1), P(2)), 0);
  // All equal, and already sorted in either direction: still sorted, no deep recursion.
  for (const int shape : {0, 1, 2}) {
    t.fBuiltPtrArray.clear();
    for (std::intptr_t i = 1; i <= 200000; ++i) t.fBuiltPtrArray.push_back(P(shape == 0 ? 5 : shape == 1 ? i : 200001 - i));
    t.SortBuiltArray(Ascending);
    EXPECT_TRUE(std::is_sorted(t.fBuiltPtrArray.begin(), t.fBuiltPtrArray.end(),
                               [](void* a, void* b) { return K(a) < K(b); }));
  }
  // A comparison that contradicts itself gives some order, never a run off the array.
  std::vector<void*> before = t.fBuiltPtrArray;
  t.SortBuiltArray([&](void*, void*) { return int(rng() % 3) - 1; });
  std::sort(before.begin(), before.end());
  std::vector<void*> after = t.fBuiltPtrArray;
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
}

TEST(GeneralTree, TraverseReorderingSkipsNilDataAndKeepsItsComparison) {
  TGeneral_Tree t(Ascending);
  for (std::intptr_t k = 1; k <= 60; ++k) t.Add_One(Key(k));
  // A holder that gave up the data of some nodes leaves them with a nil datum.
  t.Traverse([](anything_ptr& n) {
    if (K(n->datum) % 4 == 0) n->datum = nullptr;
  });

  bool saw_nil = false;
  const TCompare2FunctOfObject by_descending = [&](void* a, void* b) {
    if (!a || !b) saw_nil = true;
    return Descending(a, b);
  };
  std::vector<std::intptr_t> visited;
  const TDo_Something visit = [&](anything_ptr& n) { visited.push_back(K(n->datum)); };
  t.TraverseReordering(visit, by_descending);

  EXPECT_FALSE(saw_nil);
  std::vector<std::intptr_t> want;
  for (std::intptr_t k = 60; k >= 1; --k)
    if (k % 4 != 0) want.push_back(k);
  EXPECT_EQ(visited, want);
  EXPECT_EQ(t.fReorderPtrArray.size(), want.size());
  // Compare and Visit stay installed.
  EXPECT_GT(t.fCompareFunctOfObject(P(1), P(2)), 0);
  visited.clear();
  t.Traverse();
  EXPECT_EQ(visited.size(), 60u);
}

TEST(GeneralTree, TraverseArrayHandsRecordsOrTheElementsThemselves) {
  TGeneral_Tree t(Ascending);
  TTreeArrayOfPointer data = {P(3), nullptr, P(1), P(2)};
  std::vector<std::intptr_t> seen;
  t.fDoInOrderFunct = [&](anything_ptr& n) {
    EXPECT_EQ(n->left, nullptr);
    EXPECT_EQ(n->right, nullptr);
    seen.push_back(K(n->datum));
  };
  t.TraverseArray(data);
  EXPECT_EQ(seen, (std::vector<std::intptr_t>{3, 1, 2}));
  // The second form: the variable is the element itself, and a change is written back.
  t.fDoInOrderFunct = [&](anything_ptr& n) {
    if (K(n) == 1) n = nullptr;
  };
  t.TraverseArray(&data);
  EXPECT_EQ(data, (TTreeArrayOfPointer{P(3), nullptr, nullptr, P(2)}));
}

TEST(GeneralTree, CopyFromAddsThroughTheVisitAndClearsAsAsked) {
  TGeneral_Tree source(Ascending), target(Ascending);
  for (std::intptr_t k : {9, 4, 7, 1}) source.Add_One(Key(k));
  target.Add_One(Key(100));
  const TDo_Something copy = [&](anything_ptr& n) { target.Add_One(Key(K(n->datum))); };

  target.CopyFrom(&source, false, false, copy);
  EXPECT_EQ(InOrder(target), (std::vector<std::intptr_t>{1, 4, 7, 9, 100}));
  EXPECT_EQ(source.counter, 4);

  target.CopyFrom(&source, true, true, copy);
  EXPECT_EQ(InOrder(target), (std::vector<std::intptr_t>{1, 4, 7, 9}));
  EXPECT_TRUE(source.counter == 0 && source.froot == nullptr);
}

class UnicodeTree : public TGeneral_Tree {
 public:
  int conversions = 0;
  void ConvertNodesToUnicode() override { ++conversions; }
};

TEST(GeneralTree, SetTreeUnicodeConvertsOnlyWhenSwitchingToUtf16) {
  UnicodeTree t;
  t.SetTreeUnicode(true);  // empty: nothing to convert
  EXPECT_EQ(t.conversions, 0);
  EXPECT_TRUE(t.fTreeInUnicode);
  t.SetTreeUnicode(false);
  t.Add_One(Key(1));
  t.SetTreeUnicode(false);  // staying 8-bit must leave the keys as they are
  EXPECT_EQ(t.conversions, 0);
  EXPECT_FALSE(t.fTreeInUnicode);
  t.SetTreeUnicode(true);
  t.SetTreeUnicode(true);  // already UTF-16
  EXPECT_EQ(t.conversions, 1);
  EXPECT_TRUE(t.fTreeInUnicode);
}

TEST(GeneralTree, ClearForgetsNearestFind) {
  TGeneral_Tree t(Ascending);
  for (std::intptr_t k : {50, 20, 80}) t.Add_One(Key(k));
  anything probe = Key(10);
  EXPECT_EQ(t.WhereIs(probe), nullptr);
  EXPECT_NE(t.nearest_find, nullptr);

  t.Clear();
  EXPECT_EQ(t.nearest_find, nullptr);
  EXPECT_EQ(t.WhereIs(probe), nullptr);  // empty: nearest_find stays nil
  EXPECT_EQ(t.nearest_find, nullptr);
  ASSERT_TRUE(t.Add_One_To_Nearest(probe));  // from the root
  EXPECT_EQ(InOrder(t), std::vector<std::intptr_t>{10});
  probe = Key(5);
  EXPECT_EQ(t.WhereIs(probe), nullptr);
  ASSERT_TRUE(t.Add_One_To_Nearest(probe));
  EXPECT_EQ(InOrder(t), (std::vector<std::intptr_t>{5, 10}));
}

TEST(GeneralTree, AddOneToNearestInsertsWhereAddOneWould) {
  int compares = 0;
  TGeneral_Tree t([&](void* a, void* b) {
    ++compares;
    return Ascending(a, b);
  });
  for (std::intptr_t k : {20, 10, 30, 5, 15, 25, 35}) t.Add_One(Key(k));
  anything probe = Key(7);
  compares = 0;
  EXPECT_EQ(t.WhereIs(probe), nullptr);
  EXPECT_EQ(compares, 3);  // 20, 10, 5
  ASSERT_NE(t.nearest_find, nullptr);
  anything_ptr below = t.nearest_find;
  EXPECT_EQ(K(below->datum), 5);
  compares = 0;
  ASSERT_TRUE(t.Add_One_To_Nearest(probe));
  EXPECT_EQ(compares, 2);  // the subtree's upper bound (10), then 5 itself
  ASSERT_NE(below->right, nullptr);
  EXPECT_EQ(K(below->right->datum), 7);
  // Mixed use, with nearest_find often stale or left by another key: the order always holds.
  TGeneral_Tree r(Ascending);
  std::set<std::intptr_t> model;
  std::mt19937 rng(3);
  for (int i = 0; i < 30000; ++i) {
    anything key = Key(std::intptr_t(rng() % 20000) + 1);
    const bool found = r.WhereIs(key) != nullptr;
    EXPECT_EQ(found, model.count(K(key.datum)) == 1);
    if (i % 3 == 0) key = Key(std::intptr_t(rng() % 20000) + 1);  // a different key
    const bool added = r.Add_One_To_Nearest(key);
    EXPECT_EQ(added, model.insert(K(key.datum)).second);
  }
  EXPECT_EQ(InOrder(r), std::vector<std::intptr_t>(model.begin(), model.end()));
  EXPECT_EQ(r.counter, int(model.size()));
  EXPECT_LE(Height(r.froot), HeightLimit(model.size()));
}

// A comparison whose answers are multiples of 65,536: only the full value's sign tells them
// apart, the low 16 bits are always zero.
int WideAscending(void* a, void* b) { return Ascending(a, b) * 65536; }

class ApproxTree : public TGeneral_Tree {
 public:
  ApproxTree() : TGeneral_Tree(WideAscending) {}
  // Keys in the same ten match approximately.
  int ApproxCompare(void* a, void* b) override { return (K(a) / 10 - K(b) / 10) * 131072; }
};

TEST(GeneralTree, ComparisonsAreJudgedByTheSignOfTheFullValue) {
  ApproxTree t;
  for (std::intptr_t k = 1; k <= 100; k += 3) ASSERT_TRUE(t.Add_One(Key(k)));
  EXPECT_EQ(t.counter, 34);
  std::vector<std::intptr_t> found, want;
  for (std::intptr_t k = 1; k <= 100; ++k) {
    anything probe = Key(k);
    if (anything_ptr n = t.WhereIs(probe)) found.push_back(K(n->datum));
    if ((k - 1) % 3 == 0) want.push_back(k);
  }
  EXPECT_EQ(found, want);
  anything near = Key(55);
  anything_ptr before = t.nearest_find;
  anything_ptr approx = t.WhereIsApproxMatch(near);
  ASSERT_NE(approx, nullptr);
  EXPECT_EQ(K(approx->datum) / 10, 5);
  EXPECT_EQ(t.nearest_find, before);  // left alone
  near = Key(500);
  EXPECT_EQ(t.WhereIsApproxMatch(near), nullptr);
}

TEST(GeneralTree, DisposalCompletesWhenAHandlerThrows) {
  TGeneral_Tree t(Ascending);
  for (std::intptr_t k = 1; k <= 1000; ++k) t.Add_One(Key(k));
  int handed = 0;
  t.fDoDeletingFunct = [&](anything_ptr& n) {
    ++handed;
    if (K(n->datum) % 250 == 0) throw std::runtime_error("datum would not go");
  };
  EXPECT_THROW(t.Clear(), std::runtime_error);
  EXPECT_EQ(handed, 1000);  // every node still handed over
  EXPECT_TRUE(t.counter == 0 && t.froot == nullptr && t.nearest_find == nullptr);
  // Usable again, and a second Clear has nothing left to free.
  t.Clear();
  EXPECT_EQ(handed, 1000);
  EXPECT_TRUE(t.Add_One(Key(3)));
  EXPECT_EQ(InOrder(t), (std::vector<std::intptr_t>{3}));
  // Destruction with a throwing handler ends quietly.
  t.Add_One(Key(250));
}

namespace {
int g_tree_yields = 0;
void CountingYield() { ++g_tree_yields; }
}  // namespace

TEST(GeneralTree, AWalkItsHandlerClearsStopsAndNoOperationPumpsEvents) {
  TGeneral_Tree t(Ascending);
  for (std::intptr_t k = 1; k <= 100; ++k) t.Add_One(Key(k));
  // A handler that clears the tree ends the walk.
  int visits = 0;
  t.Traverse([&](anything_ptr&) {
    if (++visits == 3) t.Clear();
  });
  EXPECT_EQ(visits, 3);
  EXPECT_EQ(t.counter, 0);
  // Descents, look-ups, walks and disposals pump no events, so nothing can change the tree
  // halfway through them.
  for (std::intptr_t k = 1; k <= 100; ++k) t.Add_One(Key(k));
  g_tree_yields = 0;
  SetYieldHook(CountingYield);
  const bool added = t.Add_One(Key(1000));
  const bool nearest = t.Add_One_To_Nearest(Key(500));
  const bool found = t.WhereIs(Key(50)) != nullptr;
  int walked = 0;
  t.Traverse([&](anything_ptr&) { ++walked; });
  t.Clear();
  SetYieldHook(nullptr);
  EXPECT_TRUE(added && nearest && found);
  EXPECT_EQ(walked, 102);
  EXPECT_EQ(g_tree_yields, 0);
}
