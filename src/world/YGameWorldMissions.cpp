// The world's missions and saved games: loading a mission file into floors with its
// script, the fixed state of the player's progress, and the save slots.
#include <algorithm>

#include "audio/YAudioSystem.h"
#include "audio/YSoundManager.h"
#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YMission.h"
#include "world/YSaveGame.h"

namespace {

// Floors lie this far apart; floor i at z = i times it.
constexpr float kFloorHeight = 3.0f;

HRESULT MissionError(const std::string& path) {
    Log(3, "Error in mission file - %s\n", path.c_str());
    return E_FAIL;
}

}  // namespace

// ---- Loading a mission ---------------------------------------------------------------------

HRESULT CYGameWorld::LoadMission(const std::string& path, int32_t number) {
    if (busyDepth_ > 0) {
        // A script of the world asked: the rooms and objects it runs in are still being
        // walked, so the mission goes when the outermost Update has returned.
        requestedMission_ = YMissionRequest{path, number};
        return S_OK;
    }
    requestedMission_.reset();
    ++busyDepth_;
    const HRESULT result = LoadMissionNow(path, number);
    LeaveBusy();
    return result;
}

HRESULT CYGameWorld::LoadMissionNow(const std::string& path, int32_t number) {
    ClearMission();
    CYFile file(path);
    const HRESULT loaded = file.Load();
    if (FAILED(loaded)) return FinishMission(loaded);

    CYTextParser parser(file.GetData(), file.GetSize());
    int32_t sizes[3] = {};
    if (!ReadHeader(parser, sizes)) return MissionError(path);
    missionNumber_ = number;

    rosters_.UnlockDefault(gameData_.droids, missionNumber_);
    const HRESULT built = BuildFloors(parser, sizes[kHeaderHeight], sizes[kHeaderWidth], sizes[kHeaderDepth], path);
    if (FAILED(built)) return built;
    currentFloor_ = floors_.front().get();
    return FinishMission(built);
}

void CYGameWorld::ClearMission() {
    // Deleting one object may take the object it rides on with it: the set is read afresh.
    while (!registered_.empty()) DeleteObject(*registered_.begin());
    if (g_audioSystem && g_audioSystem->SoundManager()) g_audioSystem->SoundManager()->DeleteSounds();
    currentFloor_ = nullptr;
    floors_.clear();
    SendEvent(YEVENT_CLEAR_TRIGGERS, 0, 0);
    currentDroid_ = pendingDroid_ = savedDroid_ = nullptr;
    camera_.SetTarget(nullptr);
    moving_[0].clear();
    liveObjects_.clear();
    pendingAdd_.clear();
    droidSlots_.fill(nullptr);
    currentDroidHandlerName_.clear();
    namedObjects_.clear();
    OnFrameEnd(this, 0, 0);
    rosters_.RebuildLive();
}

bool CYGameWorld::ReadHeader(CYTextParser& parser, int32_t sizes[3]) {
    // Each line takes effect as it is read: an error on a later line leaves the script
    // started and the texts read before it.
    for (int line = 0; line < kHeaderLineCount; ++line) {
        std::string value;
        if (!ReadMissionHeaderLine(parser, line, &value)) return false;
        switch (line) {
            case kHeaderHeight:
            case kHeaderWidth:
            case kHeaderDepth:
                if (!ReadMissionSize(value, line, &sizes[line])) return false;
                break;
            case kHeaderScript: StartMissionScript(value); break;
            case kHeaderNumber: missionNumberText_ = value; break;
            case kHeaderName: missionName_ = value; break;
            default: missionBriefing_ = value; break;
        }
    }
    return true;
}

void CYGameWorld::StartMissionScript(const std::string& script) {
    // A script that cannot be loaded adds nothing: the idle state there is starts anew.
    scriptHandler_.AddState("idle", script);
    scriptHandler_.ClearCommands();
    CYScript* idle = scriptHandler_.IdleState();
    scriptHandler_.SetCurrentState(idle);
    if (!idle) return;
    idle->SetOwnerName(scriptHandler_.Name());
    idle->Start();
}

HRESULT CYGameWorld::BuildFloors(CYTextParser& parser, int32_t height, int32_t width, int32_t depth,
                                 const std::string& path) {
    HRESULT result = S_OK;
    for (int32_t i = 0; i < height; ++i) {
        if (!ReadLevelSection(parser)) return MissionError(path);
        auto level = std::make_unique<CYLevel>(this, width, depth);
        result = level->Load(&parser, kFloorHeight * static_cast<float>(i));
        if (FAILED(result)) {
            Log(3, "Error in mission file - %s\n", path.c_str());
            return result;
        }
        for (int r = 1; r < level->Rows(); r += 2)
            for (int c = 1; c < level->Columns(); c += 2) level->ResetRoomLights(r, c);
        floors_.push_back(std::move(level));
    }
    return result;
}

HRESULT CYGameWorld::FinishMission(HRESULT result) {
    // Scripts run in these steps; a deletion or another mission they ask for waits until
    // the load has returned, but a world deleted from outside is never touched again.
    const std::weak_ptr<int> life = life_;
    auto superseded = [&] { return life.expired(); };
    scriptHandler_.ClearCommands();
    NameHandler(scriptHandler_, "GameWorld");
    Update(0.0);
    if (superseded()) return result;

    auto first = std::find_if(droidSlots_.begin(), droidSlots_.end(), [](CYComplexObject* d) { return d != nullptr; });
    if (first != droidSlots_.end()) {
        CYComplexObject* droid = *first;
        currentDroid_ = droid;
        droid->ScriptHandler().flagParams["isActive"] = true;
        currentDroidHandlerName_ = droid->ScriptHandler().Name();
        droid->SetMoved();
        camera_.SetTarget(droid);
        droid->Update(0.0f);
        if (superseded()) return result;
        camera_.Update(0.0f);
        if (superseded()) return result;
        if (g_commandManager) g_commandManager->SendCommandByName("interface", "UpdateDroid", "");
    }

    for (size_t i = 0; i < floors_.size(); ++i)
        for (int pass = 0; pass < 3 && i < floors_.size(); ++pass) {
            floors_[i]->UpdateAllRooms(0.0f);
            if (superseded()) return result;
        }
    OnFrameEnd(this, 0, 0);

    // Objects' scripts run here: a killed object leaves a null entry, compacted after.
    walkingLive_ = true;
    bool stopped = false;
    for (int pass = 0; pass < 2 && !stopped; ++pass)
        for (size_t i = 0; i < liveObjects_.size() && !stopped; ++i) {
            if (CYComplexObject* object = liveObjects_[i]) object->Update(0.0f);
            stopped = superseded();
        }
    if (life.expired()) return result;
    walkingLive_ = false;
    std::erase(liveObjects_, nullptr);
    if (stopped) return result;

    RunScript(0.0f);
    if (superseded()) return result;
    if (g_commandManager) g_commandManager->SendCommandByName("GameWorld", "level_inited", "");
    UpdateVisibleRooms();
    return result;
}

// ---- The fixed state -------------------------------------------------------------------------

void CYGameWorld::FixLiveState(int32_t lastLevel) {
    lastLevel_ = lastLevel;
    fixedScore_ = liveScore_;
    rosters_.FixLive();
}

void CYGameWorld::FixState() { FixLiveState(missionNumber_ + 1); }

void CYGameWorld::FixState2() { FixLiveState(missionNumber_); }

void CYGameWorld::RestoreScore() { liveScore_ = fixedScore_; }

void CYGameWorld::InitialState() {
    lastLevel_ = 1;
    fixedScore_ = 0;
    rosters_.Fixed().clear();
}

// ---- Saved games -----------------------------------------------------------------------------

HRESULT CYGameWorld::SaveGame(int32_t slot, const std::string& name) {
    YSaveGame save;
    save.name = name;
    save.lastLevel = lastLevel_;
    save.fixedScore = fixedScore_;
    save.roster = rosters_.Fixed();
    return WriteSaveGame(slot, save);
}

HRESULT CYGameWorld::LoadGame(int32_t slot) {
    YSaveGame save;
    switch (ReadSaveGame(slot, &save)) {
    case YSaveRead::kLoaded:
        break;
    case YSaveRead::kMissing:
        rosters_.Fixed().clear();
        return E_FAIL;
    case YSaveRead::kDamaged:
        return E_FAIL;
    }
    lastLevel_ = save.lastLevel;
    fixedScore_ = save.fixedScore;
    rosters_.Fixed() = std::move(save.roster);
    return S_OK;
}

std::string CYGameWorld::GetSaveName(int32_t slot) const { return ReadSaveName(slot); }
