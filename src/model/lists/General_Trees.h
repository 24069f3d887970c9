// The counting tree: the one ordered tree under every counting structure of the suite
// (collocates, clusters, patterns, word lists, index trees).
//
// The tree knows nothing of what a key is. Each node carries one untyped datum owned by the
// child class (or by the owner that installs the hooks); the order comes from a comparison
// handed over by the owner; and what happens when a key is added, found again, visited or
// disposed of is decided by four hooks, bound at construction to the virtual Do_Found_Match,
// Do_Added_One, Do_In_Order and Do_Deleting, so a child's overrides are the ones reached.
//
// Inside, the tree keeps itself height-balanced (AVL, with parent links), so keys arriving in
// sorted order cost O(log n) each and every walk runs without a stack: no walk or disposal can
// fail however the keys arrive. Nothing outside sees the balancing except that a node's place
// in the tree (never its address, which holds until disposal) may move while later keys are
// added. Children still seed the tree with their dummy keys and
// recognise them with IsASeed; seeds count in `counter` and BuildPtrArray leaves them out.
//
// Hooks and handlers receive a reference to a variable holding the node; they may change the
// node's datum (Do_Added_One typically replaces a borrowed datum by an owned copy) but never the
// tree's shape, and a change to the variable itself is ignored (except by the second
// TraverseArray). Should a walk's handler clear the tree, the walk stops. No operation pumps
// events: a descent, a walk or a disposal runs to its end before anything else reaches the tree.
//
// Order of the insertion hooks: Do_Added_One runs on the new node before it is linked and
// before `counter` rises (its links then still hold what the key record held); a key equal to
// an existing one calls Do_Found_Match on that node and changes nothing else. Do_In_Order runs
// in key order. Do_Deleting runs on every node at disposal (Clear and destruction), in key
// order with `going` counting down from `counter`, before the node's memory is released (the
// node's links are no longer meaningful by then; only its datum is).
//
// `nearest_find`: the last node that WhereIs compared; nil before any search and after Clear.
// After a WhereIs miss it is the node below which that key belongs. Add_One_To_Nearest inserts
// exactly as Add_One would: it starts from `nearest_find` when the key lies inside that node's
// subtree (always so right after a miss for the same key; checking costs at most two
// comparisons with the subtree's bounds instead of a descent from the root) and from the root
// otherwise, including when `nearest_find` is nil.
//
// Comparisons answer negative, zero or positive; only the sign counts, everywhere.
//
// Destruction: C++ no longer reaches a child's overrides once the base destructor runs, so a
// child whose Do_Deleting frees data calls Clear() in its own destructor. The base destructor
// disposes of whatever is left through fDoDeletingFunct as it stands.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <vector>

struct anything;
using anything_ptr = anything*;

// A node as callers see it: the datum and the two subtrees (lower keys left, higher right).
// The tree's own nodes carry more behind these three words; callers never allocate nodes,
// they pass an `anything` record as the key to insert or look up.
struct anything {
  void* datum;
  anything_ptr left;
  anything_ptr right;
};

using TTreeArrayOfPointer = std::vector<void*>;

// compare(datum A, datum B): negative when A sorts before B, zero when equal, positive after.
using TCompare2FunctOfObject = std::function<int(void* a, void* b)>;
// A handler receiving a variable that holds a node.
using TDo_Something = std::function<void(anything_ptr& node)>;
// True removes the node from a built array.
using TFilterItOut = std::function<bool(anything_ptr& node)>;
using TProcedureOfObject = std::function<void()>;

class TGeneral_Tree {
 public:
  // An empty Compare installs a comparison that always answers 0 (every key equals the root).
  explicit TGeneral_Tree(TCompare2FunctOfObject Compare = {});
  virtual ~TGeneral_Tree();
  TGeneral_Tree(const TGeneral_Tree&) = delete;
  TGeneral_Tree& operator=(const TGeneral_Tree&) = delete;

  TTreeArrayOfPointer fBuiltPtrArray;    // data in key order, from BuildPtrArray
  TTreeArrayOfPointer fReorderPtrArray;  // work array of TraverseReordering
  bool fTreeInUnicode = false;           // keys are UTF-16 strings (false: 8-bit)
  int built_len = 0;                     // entries placed in fBuiltPtrArray
  bool fTreeModified = false;            // changed since the last walk
  TFilterItOut fFilterItOut;
  TDo_Something fDoFoundMatchFunct;
  TDo_Something fDoInOrderFunct;
  TDo_Something fDoAddedOneFunct;
  TDo_Something fDoDeletingFunct;
  TCompare2FunctOfObject fCompareFunctOfObject;
  anything_ptr froot = nullptr;
  bool already_converted_to_Unicode = false;
  TProcedureOfObject general_seedfunct;  // the child's seeding routine (8-bit or UTF-16)
  anything_ptr nearest_find = nullptr;
  int counter = 0;                       // nodes, seeds included
  int going = 0;                         // running position during a walk or disposal
  anything current{};                    // key record that children fill and pass to Add_One

  virtual void ConvertNodesToUnicode();
  // Converts the keys when switching a non-empty 8-bit tree to UTF-16; then stores Value.
  virtual void SetTreeUnicode(bool Value);
  virtual int ApproxCompare(void* a, void* b);
  virtual bool IsASeed(void* datum);
  virtual void Do_Found_Match(anything_ptr& node);
  virtual void Do_Added_One(anything_ptr& node);
  virtual void Do_In_Order(anything_ptr& node);
  virtual void Do_Deleting(anything_ptr& node);
  virtual void Seed_Tree();

  // A handler that does nothing, for callers that must pass one.
  void Do_Nowt(anything_ptr& node);

  // True when a node was added; false when the key matched (Do_Found_Match has run).
  bool Add_One(const anything& key);
  bool Add_One_To_Nearest(const anything& key);
  // The new node, or nil when the key matched.
  anything_ptr Add_OnePtr(const anything& key);

  // The node whose datum compares equal, or nil. Each node compared becomes nearest_find.
  anything_ptr WhereIs(const anything& key);
  // The same descent with ApproxCompare; nearest_find is left alone.
  anything_ptr WhereIsApproxMatch(const anything& key);

  // In-order walk calling fDoInOrderFunct, or the given handler (the field is not changed).
  void Traverse();
  void Traverse(const TDo_Something& Visit);

  // Fills fBuiltPtrArray with the data in key order, leaving out nodes the filter removes,
  // seeds and nil data; answers built_len. An assigned Visit is stored in fDoInOrderFunct and
  // run over the array; otherwise fDoInOrderFunct is left as it was.
  int BuildPtrArray(const TDo_Something& Visit, const TFilterItOut& Filter);

  // Sorts fBuiltPtrArray with fCompareFunctOfObject; the second form installs Compare first
  // (it stays the tree's ordering). Fewer than two elements: no comparison is made.
  void SortBuiltArray();
  void SortBuiltArray(const TCompare2FunctOfObject& Compare);

  // Calls fDoInOrderFunct for each non-nil element in index order with a temporary record
  // whose datum is the element and whose links are nil.
  void TraverseArray(const TTreeArrayOfPointer& data);
  // The same, but the handler's variable is the element itself (as a node pointer); what the
  // handler stores there is written back into the array.
  void TraverseArray(TTreeArrayOfPointer* arr);

  // Visits every node with a datum in the order of Compare. Compare stays installed as
  // fCompareFunctOfObject and Visit as fDoInOrderFunct.
  void TraverseReordering(const TDo_Something& Visit, const TCompare2FunctOfObject& Compare);

  // Disposes of every node (Do_Deleting on each), empties the arrays, resets counter, froot
  // and nearest_find, and marks the tree modified. Always completes; when a Do_Deleting
  // handler throws, the first exception is raised again once the tree is empty.
  void Clear();

  // ClearFirst clears this tree; Visit (which adds to this tree) is installed as the source's
  // fDoInOrderFunct and the source traversed; ClearSourceAfter clears the source.
  void CopyFrom(TGeneral_Tree* Source, bool ClearFirst, bool ClearSourceAfter, const TDo_Something& Visit);

 private:
  int Cmp(void* a, void* b) const;
  anything_ptr InsertFrom(const anything& key, anything_ptr start);
  anything_ptr StartForNearest(const anything& key);
  void Rebalance(anything_ptr added);
  void RotateLeft(anything_ptr x);
  void RotateRight(anything_ptr x);
  void WalkInOrder(const TDo_Something& visit);
  std::exception_ptr Dispose();
  void SortArray(TTreeArrayOfPointer& a, std::size_t n);
  anything_ptr NewNode();
  void ReleaseLastNode();
  void ReleaseAllNodes();

  // Nodes live in blocks; they are released together at disposal.
  std::vector<void*> fNodeBlocks;
  std::size_t fBlockUsed = 0;
  std::size_t fBlockSize = 0;
  // Raised by every change of shape and by every disposal, so that a walk notices when its
  // handler changed the tree under it.
  unsigned fShape = 0;
  unsigned fDisposals = 0;
  bool fDisposing = false;
};
