#include "srcp/SRCPInfoClient.h"

#include <algorithm>
#include <utility>

#include "srcp/DeviceGroup.h"
#include "srcp/Records.h"

namespace tenvarra {

TSRCPInfoClient::TSRCPInfoClient(TMainThreadQueue& Queue)
    : TSRCPBaseClient(Queue, cmCommand),
      FInfoCmd(std::make_unique<TSRCPCmd>()),
      FSelf(std::make_shared<TSRCPInfoClient*>(this)) {
  FInfoCmd->SetVersion(Version());
}

TSRCPInfoClient::~TSRCPInfoClient() {
  FSelf.reset();
  SetLogEnabled(false);
  try {
    Disconnect();
  } catch (...) {
    // Errors of other queued calls met while joining the reader.
  }
  try {
    JoinRetired();
  } catch (...) {
  }
  BeginDestroy();
  FListeners.clear();
  NotifyDestroyed();
}

void TSRCPInfoClient::SetVersion(TSRCPCommandVersion Version) {
  TSRCPBaseClient::SetVersion(Version);
  FInfoCmd->SetVersion(Version);
}

void TSRCPInfoClient::Connect(int TimeoutMs) {
  // A connection lost but not yet reported leaves a reader to join first.
  if (!Connected()) Disconnect();
  JoinRetired();
  FEndReason.clear();
  SetConnectionMode(cmInfo);
  TSRCPBaseClient::Connect(TimeoutMs);
  if (!Connected()) return;

  const uint64_t serial = ++FReaderSerial;
  std::weak_ptr<TSRCPInfoClient*> self = FSelf;
  TMainThreadQueue& queue = Queue();
  FReadThread = std::make_unique<TSRCPInfoReadThread>(
      queue, Socket(), [this](const std::string& Line) { HandOver(Line); },
      [self, serial, &queue](TSRCPInfoReadThread&, std::exception_ptr Reason) {
        // Posted, not waited for: the main thread may be joining this reader.
        queue.Queue([self, serial, Reason] {
          if (const auto client = self.lock()) (*client)->ReaderEnded(serial, Reason);
        });
      });
  FReadThread->Start();
}

void TSRCPInfoClient::Disconnect() {
  const std::exception_ptr served = StopReader();
  TSRCPBaseClient::Disconnect();
  // The reader noticed the end on its own thread and left the report to us.
  if (TakeOwedReport()) InternalDisconnected();
  if (served) std::rethrow_exception(served);
}

void TSRCPInfoClient::AddListener(TSRCPBaseDeviceGroup* Group) {
  if (Group == nullptr) return;
  if (std::find(FListeners.begin(), FListeners.end(), Group) == FListeners.end()) {
    FListeners.push_back(Group);
  }
}

void TSRCPInfoClient::RemoveListener(TSRCPBaseDeviceGroup* Group) {
  FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), Group), FListeners.end());
  // A group that leaves while a line is being dispatched (it may be going
  // away) must not be called for that line any more.
  for (auto* listeners : FDispatching) std::replace(listeners->begin(), listeners->end(), Group,
                                                   static_cast<TSRCPBaseDeviceGroup*>(nullptr));
}

void TSRCPInfoClient::DispatchInfo(const std::string& Line) {
  TSRCPCmd& info = *FInfoCmd;
  HandleReply(info, Line);
  TSRCPDeviceGroup group = info.Group();
  if (group == dgLock) group = info.Lock().LockedGroup();
  if (group == dgInvalid) return;

  // Listeners may come and go while they are being called.
  std::vector<TSRCPBaseDeviceGroup*> listeners = FListeners;
  FDispatching.push_back(&listeners);
  struct TUnregister {
    std::vector<std::vector<TSRCPBaseDeviceGroup*>*>& List;
    ~TUnregister() { List.pop_back(); }
  } unregister{FDispatching};
  for (std::size_t i = 0; i < listeners.size(); ++i) {
    TSRCPBaseDeviceGroup* listener = listeners[i];
    if (listener == nullptr || listener->Group() != group) continue;
    if (listener->EventMode() == semAll || info.Bus == listener->Bus()) listener->HandleInfo(info);
  }
}

void TSRCPInfoClient::HandOver(const std::string& Line) {
  ++FInHandOver;
  try {
    DispatchInfo(Line);
  } catch (...) {
    // A handler's failure belongs to the main thread's error handling; the
    // reader, which waits for this call, goes on reading.
    Queue().Queue([error = std::current_exception()] { std::rethrow_exception(error); });
  }
  --FInHandOver;
}

void TSRCPInfoClient::ReaderEnded(uint64_t Serial, std::exception_ptr Reason) {
  // A Disconnect (or a new connection) has seen to this reader already.
  if (FReadThread == nullptr || Serial != FReaderSerial) return;
  // Said before the end is reported, so a user sees why the connection went.
  FEndReason = "the reader failed";
  try {
    if (Reason) std::rethrow_exception(Reason);
  } catch (const std::exception& Error) {
    FEndReason = Error.what();
  } catch (...) {
  }
  DoLog("Err: " + FEndReason);
  Disconnect();
}

std::exception_ptr TSRCPInfoClient::StopReader() {
  std::unique_ptr<TSRCPInfoReadThread> reader = std::move(FReadThread);
  if (reader == nullptr) return nullptr;
  reader->Terminate();
  Socket().Shutdown();
  if (FInHandOver > 0) {
    // The reader waits for the hand-over this call runs in: it ends once
    // that returns, and is joined from the queue then.
    FRetired.push_back(std::move(reader));
    std::weak_ptr<TSRCPInfoClient*> self = FSelf;
    Queue().Queue([self] {
      if (const auto client = self.lock()) (*client)->JoinRetired();
    });
    return nullptr;
  }
  return Join(*reader);
}

void TSRCPInfoClient::JoinRetired() {
  if (FInHandOver > 0) return;
  std::vector<std::unique_ptr<TSRCPInfoReadThread>> retired;
  retired.swap(FRetired);
  std::exception_ptr first;
  for (auto& reader : retired) {
    const std::exception_ptr error = Join(*reader);
    if (!first) first = error;
  }
  if (first) std::rethrow_exception(first);
}

std::exception_ptr TSRCPInfoClient::Join(TSRCPInfoReadThread& Reader) {
  std::exception_ptr first;
  for (;;) {
    try {
      Reader.JoinServing();
      return first;
    } catch (...) {
      // A queued call of someone else failed while we served; the join
      // still has to happen, and the error is raised after it.
      if (!first) first = std::current_exception();
    }
  }
}

}  // namespace tenvarra
