// The instrument's side of the update check: its message boxes and the
// download page go through the editor.
#include "graphics/IGraphics.h"
#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "online/MakerSite.h"
#include "online/UpdateCheck.h"

namespace {

class EditorUpdateCheckHost : public UpdateCheckHost {
 public:
  explicit EditorUpdateCheckHost(Vornell& owner) : plug(owner) {}
  int ShowMessage(const std::string& text, const std::string& caption, int type) override {
    return plug.ShowMessage(text, caption, type);
  }
  void OpenWebPage(const std::string& url) override {
    if (IGraphics* graphics = plug.GetGraphics())
      graphics->OpenWebPage(url, "Check Online for Update", "", NoBrowserText(url));
  }

 private:
  Vornell& plug;
};

}  // namespace

int VornellCommands::CheckOnlineForUpdate() {
  // The exchange blocks this thread: the audio thread must not wait for it.
  ModalWait wait(plug.Mutex());
  EditorUpdateCheckHost host(plug);
  return ::CheckOnlineForUpdate(host, UpdateServer(), updateCheckLimits);
}

void Vornell::ShowEditorNotice(const std::string& text) {
  ShowStatus(text.c_str(), kStatusOrange);
}
