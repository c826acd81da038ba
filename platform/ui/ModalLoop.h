// The modal loops that run now: dialogs, message boxes and the open-file prompt each count themselves while
// their nested loop runs. A command handler waiting in one of them is in the middle of a flow.
#pragma once

class CModalLoopScope {
 public:
  CModalLoopScope() { ++DepthRef(); }
  ~CModalLoopScope() { --DepthRef(); }
  CModalLoopScope(const CModalLoopScope&) = delete;
  CModalLoopScope& operator=(const CModalLoopScope&) = delete;

  static int Depth() { return DepthRef(); }

 private:
  static int& DepthRef() {
    static int depth = 0;  // the user-interface thread only
    return depth;
  }
};
