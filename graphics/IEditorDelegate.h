#pragma once
// What the editor framework needs from the plug-in. The plug-in base
// implements it; tests use small stand-ins. The framework never includes
// plug-in headers, so this is the only way it reaches parameters and locks.
#include <string>
#include <utility>
#include <vector>

enum class EditorParamKind { None, Switch, Integer, List, Continuous };

// A parameter as the editor sees it (a copy; taking it does not lock).
struct EditorParamInfo {
  EditorParamKind kind = EditorParamKind::None;
  double value = 0.0;  // plain value, in min..max
  double min = 0.0;
  double max = 1.0;
  int displayPrecision = 0;
  bool negateDisplay = false;
  bool hasDisplayFunction = false;
  std::string name;
  // (value, text) pairs in the order they were defined.
  std::vector<std::pair<int, std::string>> displayTexts;

  bool HasDisplayTexts() const { return !displayTexts.empty(); }
};

class IEditorDelegate {
 public:
  virtual ~IEditorDelegate() = default;

  // Parameters; any thread, the caller holds no particular lock.
  virtual int EditorParamCount() const = 0;
  // False for an index outside the parameters.
  virtual bool GetEditorParamInfo(int index, EditorParamInfo* info) const = 0;
  // The parameter's normalised value (0..1) of a plain value.
  virtual double EditorNormalizedValue(int index, double plainValue) const = 0;
  // Display text of a value (normalised or plain), as the host sees it.
  virtual std::string EditorDisplayText(int index, double value, bool normalised) const = 0;
  // The unit label for the parameter's current value (empty when the
  // value has a display text).
  virtual std::string EditorLabelText(int index) const = 0;

  // User-interface thread: the implementation takes the plug-in lock
  // itself for the change.
  virtual void SetParamFromEditor(int index, double normalisedValue) = 0;
  // Host edit gestures around a mouse edit; user-interface thread.
  virtual void BeginHostParamGesture(int index) = 0;
  virtual void EndHostParamGesture(int index) = 0;

  // The plug-in's recursive lock, as a hold that a modal wait can give back.
  virtual void LockPlugin() = 0;
  virtual void UnlockPlugin() = 0;
  // Around a modal wait (menu, message box, file dialog): gives back every
  // hold of the plug-in lock the calling thread has and returns how many;
  // the second takes that many again. User-interface thread.
  virtual int ReleasePluginForModalWait() = 0;
  virtual void RetakePluginAfterModalWait(int holds) = 0;

  // The plug-in's periodic editor update; user-interface thread, called by
  // the framework with the plug-in lock held.
  virtual void OnIdleTick() = 0;

  // A short notice for the user that needs no answer (a hint about the file
  // dialog, a web address no browser could open); the plug-in shows it where
  // it shows its status. User-interface thread.
  virtual void ShowEditorNotice(const std::string& text) { (void)text; }

  // Asks the host to give the open editor window this size in pixels; true
  // when it agreed. User-interface thread, without the plug-in lock.
  virtual bool RequestEditorResize(int width, int height) {
    (void)width;
    (void)height;
    return false;
  }
};
