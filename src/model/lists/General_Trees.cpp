#include "model/lists/General_Trees.h"

#include <algorithm>
#include <cstdint>
#include <utility>


namespace {

// A node as the tree keeps it: the three words callers see, then the parent link with the
// AVL balance (right height minus left height, -1..1) in its two low bits.
struct TreeNode : anything {
  std::uintptr_t up;
};
static_assert(alignof(TreeNode) >= 4, "balance bits need an aligned parent pointer");

inline TreeNode* AsNode(anything_ptr p) { return static_cast<TreeNode*>(p); }

inline anything_ptr Parent(anything_ptr p) {
  return reinterpret_cast<TreeNode*>(AsNode(p)->up & ~std::uintptr_t(3));
}
inline int Balance(anything_ptr p) { return int(AsNode(p)->up & 3) - 1; }

inline void SetParent(anything_ptr p, anything_ptr parent) {
  TreeNode* n = AsNode(p);
  n->up = reinterpret_cast<std::uintptr_t>(AsNode(parent)) | (n->up & 3);
}
inline void SetBalance(anything_ptr p, int balance) {
  TreeNode* n = AsNode(p);
  n->up = (n->up & ~std::uintptr_t(3)) | std::uintptr_t(balance + 1);
}

inline anything_ptr Leftmost(anything_ptr n) {
  while (n->left) n = n->left;
  return n;
}

inline anything_ptr Successor(anything_ptr n) {
  if (n->right) return Leftmost(n->right);
  anything_ptr p = Parent(n);
  while (p && n == p->right) {
    n = p;
    p = Parent(p);
  }
  return p;
}

constexpr std::size_t kFirstBlockNodes = 256;
constexpr std::size_t kLargestBlockNodes = std::size_t(1) << 16;

// The quicksort of the pointer arrays: middle element as pivot, equal elements not kept in
// order. The scans are bounded by the range so that an inconsistent comparison cannot run
// them off the array; the smaller side is sorted first and the larger one looped on, so the
// depth stays logarithmic whatever the data.
void QuickSort(void** a, std::ptrdiff_t lo, std::ptrdiff_t hi, const TCompare2FunctOfObject& cmp) {
  while (lo < hi) {
    void* const pivot = a[(lo + hi) / 2];
    std::ptrdiff_t i = lo;
    std::ptrdiff_t j = hi;
    do {
      while (i < hi && cmp(a[i], pivot) < 0) ++i;
      while (j > lo && cmp(pivot, a[j]) < 0) --j;
      if (i <= j) {
        std::swap(a[i], a[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(a, lo, j, cmp);
      lo = i;
    } else {
      if (i < hi) QuickSort(a, i, hi, cmp);
      hi = j;
    }
  }
}

}  // namespace

TGeneral_Tree::TGeneral_Tree(TCompare2FunctOfObject Compare) {
  if (Compare) {
    fCompareFunctOfObject = std::move(Compare);
  } else {
    fCompareFunctOfObject = [](void*, void*) { return 0; };
  }
  fDoFoundMatchFunct = [this](anything_ptr& node) { Do_Found_Match(node); };
  fDoInOrderFunct = [this](anything_ptr& node) { Do_In_Order(node); };
  fDoAddedOneFunct = [this](anything_ptr& node) { Do_Added_One(node); };
  fDoDeletingFunct = [this](anything_ptr& node) { Do_Deleting(node); };
}

TGeneral_Tree::~TGeneral_Tree() {
  // Nothing may leave a destructor; the nodes are released whatever the handlers do.
  (void)Dispose();
}

void TGeneral_Tree::ConvertNodesToUnicode() {}

void TGeneral_Tree::SetTreeUnicode(bool Value) {
  if (Value && !fTreeInUnicode && counter > 0) ConvertNodesToUnicode();
  fTreeInUnicode = Value;
}

int TGeneral_Tree::ApproxCompare(void*, void*) { return 0; }
bool TGeneral_Tree::IsASeed(void*) { return false; }
void TGeneral_Tree::Do_Found_Match(anything_ptr&) {}
void TGeneral_Tree::Do_Added_One(anything_ptr&) {}
void TGeneral_Tree::Do_In_Order(anything_ptr&) {}
void TGeneral_Tree::Do_Deleting(anything_ptr&) {}
void TGeneral_Tree::Seed_Tree() {}
void TGeneral_Tree::Do_Nowt(anything_ptr&) {}

int TGeneral_Tree::Cmp(void* a, void* b) const {
  return fCompareFunctOfObject ? fCompareFunctOfObject(a, b) : 0;
}

// --- node store ------------------------------------------------------------------------------

anything_ptr TGeneral_Tree::NewNode() {
  if (fNodeBlocks.empty() || fBlockUsed == fBlockSize) {
    const std::size_t size = fNodeBlocks.empty() ? kFirstBlockNodes : std::min(fBlockSize * 2, kLargestBlockNodes);
    fNodeBlocks.reserve(fNodeBlocks.size() + 1);
    fNodeBlocks.push_back(new TreeNode[size]);
    fBlockSize = size;
    fBlockUsed = 0;
  }
  TreeNode* n = static_cast<TreeNode*>(fNodeBlocks.back()) + fBlockUsed++;
  n->up = 1;  // no parent, balanced
  return n;
}

void TGeneral_Tree::ReleaseLastNode() {
  if (fBlockUsed > 0) --fBlockUsed;
}

void TGeneral_Tree::ReleaseAllNodes() {
  for (void* block : fNodeBlocks) delete[] static_cast<TreeNode*>(block);
  fNodeBlocks.clear();
  fNodeBlocks.shrink_to_fit();
  fBlockUsed = 0;
  fBlockSize = 0;
}

// --- insertion -------------------------------------------------------------------------------

void TGeneral_Tree::RotateLeft(anything_ptr x) {
  anything_ptr y = x->right;
  anything_ptr p = Parent(x);
  x->right = y->left;
  if (y->left) SetParent(y->left, x);
  SetParent(y, p);
  if (!p) {
    froot = y;
  } else if (x == p->left) {
    p->left = y;
  } else {
    p->right = y;
  }
  y->left = x;
  SetParent(x, y);
}

void TGeneral_Tree::RotateRight(anything_ptr x) {
  anything_ptr y = x->left;
  anything_ptr p = Parent(x);
  x->left = y->right;
  if (y->right) SetParent(y->right, x);
  SetParent(y, p);
  if (!p) {
    froot = y;
  } else if (x == p->left) {
    p->left = y;
  } else {
    p->right = y;
  }
  y->right = x;
  SetParent(x, y);
}

// Walks up from a newly linked leaf, updating balances; at most one single or double
// rotation restores the height of the subtree that grew.
void TGeneral_Tree::Rebalance(anything_ptr n) {
  for (anything_ptr p = Parent(n); p; n = p, p = Parent(n)) {
    const int b = Balance(p) + (n == p->left ? -1 : 1);
    if (b == 0) {
      SetBalance(p, 0);
      return;
    }
    if (b == 1 || b == -1) {
      SetBalance(p, b);
      continue;
    }
    if (b == -2) {
      if (Balance(n) < 0) {
        RotateRight(p);
        SetBalance(p, 0);
        SetBalance(n, 0);
      } else {
        anything_ptr g = n->right;
        const int bg = Balance(g);
        RotateLeft(n);
        RotateRight(p);
        SetBalance(n, bg > 0 ? -1 : 0);
        SetBalance(p, bg < 0 ? 1 : 0);
        SetBalance(g, 0);
      }
    } else {
      if (Balance(n) > 0) {
        RotateLeft(p);
        SetBalance(p, 0);
        SetBalance(n, 0);
      } else {
        anything_ptr g = n->left;
        const int bg = Balance(g);
        RotateRight(n);
        RotateLeft(p);
        SetBalance(n, bg < 0 ? 1 : 0);
        SetBalance(p, bg > 0 ? -1 : 0);
        SetBalance(g, 0);
      }
    }
    return;
  }
}

anything_ptr TGeneral_Tree::InsertFrom(const anything& key, anything_ptr start) {
  anything_ptr parent = nullptr;
  bool go_left = false;
  for (anything_ptr cur = start; cur;) {
    const int c = Cmp(key.datum, cur->datum);
    if (c == 0) {
      anything_ptr held = cur;
      if (fDoFoundMatchFunct) fDoFoundMatchFunct(held);
      return nullptr;
    }
    parent = cur;
    go_left = c < 0;
    cur = go_left ? cur->left : cur->right;
  }

  anything_ptr n = NewNode();
  n->datum = key.datum;
  n->left = key.left;
  n->right = key.right;
  if (fDoAddedOneFunct) {
    anything_ptr held = n;
    try {
      fDoAddedOneFunct(held);
    } catch (...) {
      ReleaseLastNode();
      throw;
    }
  }
  n->left = nullptr;
  n->right = nullptr;

  if (!parent) {
    froot = n;
  } else {
    (go_left ? parent->left : parent->right) = n;
    SetParent(n, parent);
    Rebalance(n);
  }
  ++counter;
  ++fShape;
  fTreeModified = true;
  return n;
}

// Where Add_One_To_Nearest starts: nearest_find when the key lies strictly between the bounds
// of that node's subtree (its nearest ancestors on either side), the root otherwise.
anything_ptr TGeneral_Tree::StartForNearest(const anything& key) {
  anything_ptr n = nearest_find;
  if (!n) return froot;

  anything_ptr c = n;
  anything_ptr p = Parent(c);
  while (p && c == p->left) {
    c = p;
    p = Parent(p);
  }
  anything_ptr lower = p;

  c = n;
  p = Parent(c);
  while (p && c == p->right) {
    c = p;
    p = Parent(p);
  }
  anything_ptr upper = p;

  if (lower && Cmp(key.datum, lower->datum) <= 0) return froot;
  if (upper && Cmp(key.datum, upper->datum) >= 0) return froot;
  return n;
}

bool TGeneral_Tree::Add_One(const anything& key) { return InsertFrom(key, froot) != nullptr; }

bool TGeneral_Tree::Add_One_To_Nearest(const anything& key) {
  return InsertFrom(key, StartForNearest(key)) != nullptr;
}

anything_ptr TGeneral_Tree::Add_OnePtr(const anything& key) { return InsertFrom(key, froot); }

// --- search ----------------------------------------------------------------------------------

anything_ptr TGeneral_Tree::WhereIs(const anything& key) {
  for (anything_ptr cur = froot; cur;) {
    nearest_find = cur;
    const int c = Cmp(key.datum, cur->datum);
    if (c == 0) return cur;
    cur = c < 0 ? cur->left : cur->right;
  }
  return nullptr;
}

anything_ptr TGeneral_Tree::WhereIsApproxMatch(const anything& key) {
  for (anything_ptr cur = froot; cur;) {
    const int c = ApproxCompare(key.datum, cur->datum);
    if (c == 0) return cur;
    cur = c < 0 ? cur->left : cur->right;
  }
  return nullptr;
}

// --- walks -----------------------------------------------------------------------------------

// In key order through the parent links: no stack, so no depth can make it fail. The next
// node is found after the handler has run, from the tree as it then is; a walk whose tree the
// handler cleared stops. A walk pumps no events: what may change the tree is the handler alone.
void TGeneral_Tree::WalkInOrder(const TDo_Something& visit) {
  fTreeModified = false;
  if (!froot) return;
  going = 0;
  const unsigned disposals = fDisposals;
  for (anything_ptr n = Leftmost(froot); n; n = Successor(n)) {
    ++going;
    anything_ptr held = n;
    if (visit) visit(held);
    if (disposals != fDisposals) return;
  }
}

void TGeneral_Tree::Traverse() {
  const TDo_Something visit = fDoInOrderFunct;  // a handler may replace the field
  WalkInOrder(visit);
}

void TGeneral_Tree::Traverse(const TDo_Something& Visit) {
  const TDo_Something visit = Visit;
  WalkInOrder(visit);
}

// Hands every node to fDoDeletingFunct in key order and releases them all. The tree is taken
// apart as it goes (each left child is rotated up until the leftmost node is at the top, which
// is then visited and dropped), so a visited node is never read again and a handler that
// throws cannot stop the disposal; the first exception is handed back.
std::exception_ptr TGeneral_Tree::Dispose() {
  if (fDisposing) return nullptr;  // asked again from inside a disposal: the outer one finishes
  fDisposing = true;
  ++fDisposals;
  ++fShape;
  std::exception_ptr first;
  const TDo_Something deleting = fDoDeletingFunct;
  anything_ptr cur = froot;
  froot = nullptr;
  nearest_find = nullptr;
  going = counter;
  while (cur) {
    if (anything_ptr l = cur->left) {
      cur->left = l->right;
      l->right = cur;
      cur = l;
      continue;
    }
    anything_ptr next = cur->right;
    --going;
    try {
      anything_ptr held = cur;
      if (deleting) deleting(held);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
    cur = next;
  }
  ReleaseAllNodes();
  froot = nullptr;  // anything added meanwhile went with the blocks
  nearest_find = nullptr;
  counter = 0;
  ++fShape;
  TTreeArrayOfPointer().swap(fReorderPtrArray);
  fDisposing = false;
  return first;
}

void TGeneral_Tree::Clear() {
  std::exception_ptr failed = Dispose();
  TTreeArrayOfPointer().swap(fBuiltPtrArray);
  built_len = 0;
  fTreeModified = true;
  if (failed) std::rethrow_exception(failed);
}

// --- arrays ----------------------------------------------------------------------------------

int TGeneral_Tree::BuildPtrArray(const TDo_Something& Visit, const TFilterItOut& Filter) {
  built_len = 0;
  fBuiltPtrArray.assign(std::size_t(std::max(counter, 0)), nullptr);
  fFilterItOut = Filter;
  const TFilterItOut filter = fFilterItOut;
  WalkInOrder([this, &filter](anything_ptr& node) {
    if (filter && filter(node)) return;
    void* datum = node->datum;
    if (!datum || IsASeed(datum)) return;
    if (std::size_t(built_len) < fBuiltPtrArray.size()) fBuiltPtrArray[std::size_t(built_len++)] = datum;
  });
  fBuiltPtrArray.resize(std::size_t(built_len));
  if (Visit) {
    fDoInOrderFunct = Visit;
    TraverseArray(fBuiltPtrArray);
  }
  return built_len;
}

void TGeneral_Tree::SortArray(TTreeArrayOfPointer& a, std::size_t n) {
  if (n > a.size()) n = a.size();
  if (n < 2) return;
  TCompare2FunctOfObject cmp = fCompareFunctOfObject;  // the comparison may replace the field
  if (!cmp) cmp = [](void*, void*) { return 0; };
  QuickSort(a.data(), 0, std::ptrdiff_t(n) - 1, cmp);
}

void TGeneral_Tree::SortBuiltArray() { SortArray(fBuiltPtrArray, fBuiltPtrArray.size()); }

void TGeneral_Tree::SortBuiltArray(const TCompare2FunctOfObject& Compare) {
  if (Compare) {
    fCompareFunctOfObject = Compare;
  } else {
    fCompareFunctOfObject = [](void*, void*) { return 0; };
  }
  SortBuiltArray();
}

void TGeneral_Tree::TraverseArray(const TTreeArrayOfPointer& data) {
  const TDo_Something visit = fDoInOrderFunct;
  if (!visit) return;
  for (std::size_t k = 0; k < data.size(); ++k) {
    void* datum = data[k];
    if (!datum) continue;
    anything record{datum, nullptr, nullptr};
    anything_ptr held = &record;
    visit(held);
  }
}

void TGeneral_Tree::TraverseArray(TTreeArrayOfPointer* arr) {
  const TDo_Something visit = fDoInOrderFunct;
  if (!arr || !visit) return;
  for (std::size_t k = 0; k < arr->size(); ++k) {
    if (!(*arr)[k]) continue;
    anything_ptr held = static_cast<anything_ptr>((*arr)[k]);
    visit(held);
    if (k < arr->size()) (*arr)[k] = held;
  }
}

void TGeneral_Tree::TraverseReordering(const TDo_Something& Visit, const TCompare2FunctOfObject& Compare) {
  fReorderPtrArray.clear();
  fReorderPtrArray.reserve(std::size_t(std::max(counter, 0)));
  if (Compare) {
    fCompareFunctOfObject = Compare;
  } else {
    fCompareFunctOfObject = [](void*, void*) { return 0; };
  }
  // Nodes without a datum are left out here rather than sorted as holes.
  const TDo_Something collect = [this](anything_ptr& node) {
    if (node->datum) fReorderPtrArray.push_back(node->datum);
  };
  fDoInOrderFunct = collect;
  WalkInOrder(collect);
  SortArray(fReorderPtrArray, fReorderPtrArray.size());
  fDoInOrderFunct = Visit;
  TraverseArray(fReorderPtrArray);
}

void TGeneral_Tree::CopyFrom(TGeneral_Tree* Source, bool ClearFirst, bool ClearSourceAfter,
                             const TDo_Something& Visit) {
  if (ClearFirst) Clear();
  if (!Source) return;
  Source->fDoInOrderFunct = Visit;
  Source->Traverse();
  if (ClearSourceAfter) Source->Clear();
}
