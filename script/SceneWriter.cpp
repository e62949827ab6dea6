#include "script/SceneWriter.h"

#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Host.h"
#include "base/Paths.h"
#include "base/SceneLines.h"
#include "base/TextEncoding.h"
#include "sim/JoinGeometry.h"
#include "skin/SkinRecord.h"

namespace korvan {

namespace {

// The text of a scene file, built in UTF-8 with "\n" line ends. This lays out the sections and
// the lines every body or window has; a kind's own lines come from the kind.
class SceneText {
  public:
    SceneText(const SceneDocument& document, const SceneWriteOptions& options)
        : doc_(document), options_(options), out_(options.saveFolder, options.quiet) {}

    std::string Build();

  private:
    const SceneDocument& doc_;
    const SceneWriteOptions& options_;
    SceneLines out_;
    std::unordered_map<const CObj*, int> position_;  // each body's place in the scene

    template <class... Args>
    void Put(const char* format, const Args&... args) {
        out_.Put(format, args...);
    }
    void Text(std::string_view text) { out_.Text(text); }
    void Blank(int times = 1) {
        for (int i = 0; i < times; ++i) Text("' \n");
    }
    void Rule(char c) { Text("' " + std::string(128, c) + "\n"); }
    void Spaced();
    void Section(const char* title);
    void SubHeader(const char* word);

    void Header();
    void BodyCreation(const CObj& b);
    void BodySize(const CObj& b);
    void BodyAttributes(const CObj& b);
    void KeptMass(const CObj& b);
    void BodyPosition(const CObj& b);
    void WindowBlocks(const CWndBase& w);
    void CameraMounts(const CObj& b);
    void MetersAndSounds(const CObj& b);
    void Connections(const CObj& b);
    bool WritesConnection(const CObj& b, std::size_t i) const;
    void JoinStatement(const CObj& b, std::size_t first);
    void Actuations(const CObj& b);
    void PrescribedMotions(const CObj& b);
    void Interactions(const CObj& b);
    void Forces(const CObj& b);
    void Environment();
    std::string ControllerName(const CObj& b, int index) const { return b.scene().controllers->Name(index); }
};

void SceneText::Spaced() {
    std::string line = "' ";
    for (int i = 0; i < 64; ++i) line += "- ";
    Text(line + "\n");
}

void SceneText::Section(const char* title) {
    Rule('-'), Rule('/'), Rule('-');
    Blank(4);
    Text("'" + std::string(47, ' ') + title + " \n");
    Blank(4);
}

void SceneText::SubHeader(const char* word) {
    Put("'\n' %s\n'\n", word);
}

void SceneText::Header() {
    Rule('-'), Rule('/'), Rule('-');
    Blank(4);
    Text("'" + std::string(48, ' ') + "KORVAN3 Version 3.02 Scene File \n");
    Blank(3);
    Text("Application.CheckVersion 3.02 \n");
    Blank(3);
}

// ---- Bodies --------------------------------------------------------------------------------

void SceneText::BodyCreation(const CObj& b) {
    SubHeader("作成");
    Put("Set %s = Application.AddObj( \"%s\" , \"%s\" )\n", b.varName, b.typeName, Literal(b.displayName));
}

void SceneText::BodySize(const CObj& b) {
    SubHeader("サイズ");
    b.WriteSizeLines(out_);
}

void SceneText::BodyAttributes(const CObj& b) {
    SubHeader("基本属性");
    const char* v = b.varName.c_str();
    // A body's volume is its mass over its density.
    if (b.RHO >= 0) {
        Put("%s.RHO = %6g ' ( 質量= %6g kg , 体積= %6g m^3 )\n", v, b.RHO, b.mass, b.mass / b.RHO);
    } else {
        KeptMass(b);
        Put("%s.RHO = %6g ' ( 完全固定 )\n", v, b.RHO);
    }
    Put("%s.Transparent = %6g\n", v, 1 - b.opacity);
    Put("%s.colorR = %6g\n", v, b.colorR);
    Put("%s.colorG = %6g\n", v, b.colorG);
    Put("%s.colorB = %6g\n", v, b.colorB);
    if (b.ShadeReceive >= 0) Put("%s.ShadeReceive = %6g ' ( 影を投影される )\n", v, b.ShadeReceive);
    if (b.ShadeThrow >= 0) Put("%s.ShadeThrow = %6g ' ( 影を投影する )\n", v, b.ShadeThrow);
    if (!b.skins.empty()) {
        SubHeader("スキンの設定");
        for (const auto& skin : b.skins) {
            Text(AddSkinStatement(*skin, b.varName, out_.FileName(skin->file)));
            Text("' \n");
        }
    }
    b.WriteAttributeLines(out_);
}

// A fixed body keeps the mass it had when it was fixed, and that mass sets the stiffness of its
// connections; loaded from a file, it keeps the mass it was created with. When the two differ, the
// file sets the density that gives the kept mass and makes the model before fixing the body again.
// 15 digits: the density read back gives the same text when the reloaded scene is saved again.
void SceneText::KeptMass(const CObj& b) {
    const double perDensity = b.MassPerDensity();
    if (perDensity <= 0 || b.mass == CDispatchAPP::MassOfNewBody(b.typeName)) return;
    const char* v = b.varName.c_str();
    Put("%s.RHO = %.15g ' ( 固定前の質量= %6g kg )\n", v, b.mass / perDensity, b.mass);
    Put("%s.MakeModel\n", v);
}

void SceneText::BodyPosition(const CObj& b) {
    SubHeader("位置情報");
    const char* v = b.varName.c_str();
    auto row = [&](const char* setter, const Vec3& x) {
        Put("%s.%s%24.16e , %24.16e , %24.16e\n", v, setter, x.x, x.y, x.z);
    };
    row("SetPosition        ", b.GetPosition());
    row("SetVelocity        ", b.GetVelocity());
    row("SetAngularVelocity ", b.GetAngularVelocity());
    row("SetAngle           ", b.GetAngle());
    Blank();
}

void SceneText::CameraMounts(const CObj& b) {
    for (std::size_t i = 0; i < b.viewpoints.size() && i < b.mountedViews.size(); ++i) {
        int index = b.mountedViews[i];
        if (index < 0 || static_cast<std::size_t>(index) >= doc_.views.size()) continue;
        const double* c = b.viewpoints[i].values;
        Put("%s.AddView %s , %g,%g,%g , %g,%g,%g , %g,%g,%g \n", b.varName.c_str(),
            doc_.views[static_cast<std::size_t>(index)]->varName.c_str(), c[0], c[1], c[2], c[3], c[4], c[5],
            c[6], c[7], c[8]);
    }
    if (!b.viewpoints.empty()) Text("'\n");
}

void SceneText::MetersAndSounds(const CObj& b) {
    const char* v = b.varName.c_str();
    for (const MeterLink& m : b.meterLinks) {
        if (m.meter < 0 || static_cast<std::size_t>(m.meter) >= doc_.meters.size()) continue;
        Put("%s.AddMeter %s , %d , %6g\n", v, doc_.meters[static_cast<std::size_t>(m.meter)]->varName.c_str(),
            m.kind, m.scale);
    }
    if (b.speedSoundMode != 0) {
        Put("%s.SetSpeedSoundMode %d \n", v, b.speedSoundMode);
        Put("%s.SetSpeedSoundMode1param %f , %f \n", v, b.speedSoundParam1, b.speedSoundParam2);
    }
    if (b.crashSoundMode != 0) Put("%s.SetCrashSoundMode %d \n", v, b.crashSoundMode);
    if (b.slipSoundMode != 0) Put("%s.SetSlipSoundMode %d \n", v, b.slipSoundMode);
    Text("'\n");
}

// ---- Connections ---------------------------------------------------------------------------

void SceneText::Connections(const CObj& b) {
    for (std::size_t i = 0; i < b.joins.size(); ++i)
        if (WritesConnection(b, i)) JoinStatement(b, i);
    Actuations(b);
    PrescribedMotions(b);
    b.WriteInternalStateLines(out_);
}

// A connection is written once, by the body that comes first in the scene, or by the group that
// comes first when a body is joined to itself; from the first record of the group.
bool SceneText::WritesConnection(const CObj& b, std::size_t i) const {
    const _JOININFO& r = b.joins[i];
    if (!MirrorOf(r) || r.GroupPosition() != 1) return false;
    const auto found = position_.find(r.partner);
    if (found == position_.end()) return false;
    const int mine = position_.at(&b), theirs = found->second;
    return theirs > mine || (theirs == mine && static_cast<std::size_t>(r.partnerIndex) > i);
}

void SceneText::JoinStatement(const CObj& b, std::size_t first) {
    const _JOININFO& r0 = b.joins[first];
    const std::size_t g = static_cast<std::size_t>(r0.GroupSize());
    if (g != 1 && g != 2 && g != 4) return;
    if (first + g > b.joins.size()) return;
    const CObj& p = *r0.partner;
    Vec3 mine[4], theirs[4];
    for (std::size_t j = 0; j < g; ++j) {
        const _JOININFO& r = b.joins[first + j];
        if (r.partner != &p || r.partnerIndex < 0 ||
            static_cast<std::size_t>(r.partnerIndex) >= p.joins.size())
            return;
        mine[j] = r.originalPoint;
        theirs[j] = p.joins[static_cast<std::size_t>(r.partnerIndex)].originalPoint;
    }
    auto rows = [&](const Vec3* points) {
        Vec3 out[3];
        JoinRowsFromPoints(static_cast<int>(g), points, out);
        for (int k = 0; k < JoinRowCount(static_cast<int>(g)); ++k)
            Put("                                     %12g , %12g , %12g ,_\n", out[k].x, out[k].y, out[k].z);
    };
    const char* count = g == 1 ? "１点" : g == 2 ? "２点" : "４点";
    Put("' %s と %s の%s接続 (基準K=%e , 基準R=%e)\n", CommentText(b.displayName), CommentText(p.displayName),
        count, r0.baseStrength, r0.baseFriction);
    if (g == 1) Put("Application.Join1 %s ,_\n", b.varName.c_str());
    if (g == 2) Put("Application.Join2_%s %s ,_\n", r0.vertical != 0 ? "Vert" : "Horz", b.varName.c_str());
    if (g == 4) Put("Application.Join4 %s ,_\n", b.varName.c_str());
    rows(mine);
    Put("                  %s ,_\n", p.varName.c_str());
    rows(theirs);
    // A group shares each setting among its points; the statement takes the whole.
    const double n = static_cast<double>(g);
    Put("                  %g , %g , %g \n\n", n * r0.strengthSetting, n * r0.frictionSetting,
        n * r0.rotResistance);
}

void SceneText::Actuations(const CObj& b) {
    const char* v = b.varName.c_str();
    for (const _MOVEINFO& m : b.moves) {
        const char* word = m.moveKind == kMoveMove     ? "Move"
                           : m.moveKind == kMoveRotate ? "Rotate"
                           : m.moveKind == kMoveSlide  ? "Slide"
                                                       : nullptr;
        if (!word || !m.other) continue;
        const char* other = m.other->varName.c_str();
        if (m.inputType == 1) {
            // A controller that is no longer connected has no name: its record is left out, as
            // loading leaves out a record whose controller is missing.
            std::string name = ControllerName(b, m.ctrlIndex);
            if (name.empty()) continue;
            Put("%s.%sJointByGameCtrl %s , _\n                                \"%s\" , %d , %d , %d , %g , "
                "_\n",
                v, word, other, Literal(name), m.axis, m.mapping, m.useAs, m.ffbSmoothing);
        } else if (m.inputType == 0) {
            Put("%s.%sJointByKey %s , _\n                                %d ,%d , _\n", v, word, other,
                m.keyPlus, m.keyMinus);
        } else {
            continue;
        }
        Put("                                %g, %g, %g, _\n"
            "                                %g, %g, %g, _\n"
            "                                %g, %g, %g, _\n"
            "                                %g, %g \n",
            m.speed, m.lowerLimit, m.upperLimit, m.center.x, m.center.y, m.center.z, m.direction.x,
            m.direction.y, m.direction.z, m.loadDependence, m.displacement);
    }
}

void SceneText::PrescribedMotions(const CObj& b) {
    auto terms = [&](const char* axis, const std::vector<_SINFORCE>& list) {
        for (const _SINFORCE& f : list)
            Put("%s.AddMoveForce%s  %g, %g, %g, %g \n", b.varName.c_str(), axis, f.offset, f.amplitude,
                f.phase, f.angularFrequency);
    };
    terms("X", b.moveForcesX);
    terms("Y", b.moveForcesY);
    terms("Z", b.moveForcesZ);
}

// ---- Collisions and forces -----------------------------------------------------------------

void SceneText::Interactions(const CObj& b) {
    const char* v = b.varName.c_str();
    for (const _INTRACT& r : b.interactions) {
        if (!r.other) continue;
        if (r.kind == kInteractionCollision)
            Put("%s.AddCrash %s ,%d,%6g,%6g,%6g,%6g,%6g\n", v, r.other->varName.c_str(), r.type,
                r.staticFriction, r.dynamicFriction, r.staticLimitSpeed, r.springSetting, r.dampingSetting);
        else if (r.kind == kInteractionGear)
            Put("%s.AddGear %s , %d \n", v, r.other->varName.c_str(), r.type);
    }
    if (!b.interactions.empty()) Text("'\n");
}

void SceneText::Forces(const CObj& b) {
    static const char* const words[] = {"Rotate", "Move", "Brake"};
    const char* v = b.varName.c_str();
    for (const _FORCEINFO& f : b.forces) {
        if (f.forceKind < kForceRotate || f.forceKind > kForceBrake) continue;
        const char* word = words[f.forceKind];
        // The force a key or controller applies: magnitude times direction.
        const Vec3 x = f.direction * f.magnitude;
        if (f.inputType == 0) {
            Put("%s.Add%sByKey %d , %6g,%6g,%6g \n", v, word, f.key, x.x, x.y, x.z);
            continue;
        }
        if (f.inputType != 1) continue;
        std::string name = ControllerName(b, f.ctrlIndex);
        if (name.empty()) continue;  // controller no longer connected: left out, as loading does
        if (f.forceKind == kForceRotate && (f.plusButton >= 0 || f.minusButton >= 0))
            Put("%s.AddRotateByGameCtrl \"%s\" , %6g , %6g , %6g , %d , %d , %d , %d \n", v, Literal(name),
                x.x, x.y, x.z, f.axis, f.mapping, f.plusButton, f.minusButton);
        else
            Put("%s.Add%sByGameCtrl \"%s\" , %6g , %6g , %6g , %d , %d \n", v, word, Literal(name), x.x, x.y,
                x.z, f.axis, f.mapping);
    }
    if (!b.forces.empty()) Text("'\n");
}

// ---- Windows -------------------------------------------------------------------------------

void SceneText::WindowBlocks(const CWndBase& w) {
    const char* v = w.varName.c_str();
    SubHeader("作成");
    Put("Set %s = Application.AddObj( \"%s\" , \"%s\" )\n", v, w.typeName, Literal(w.displayName));
    SubHeader("ウィンドウの配置");
    Put("%s.left   = %g\n", v, w.left);
    Put("%s.top    = %g\n", v, w.top);
    Put("%s.right  = %g\n", v, w.right);
    Put("%s.bottom = %g\n", v, w.bottom);
    SubHeader("属性");
    w.WriteAttributeLines(out_);
}

// ---- Environment ---------------------------------------------------------------------------

void SceneText::Environment() {
    const SimSettings& s = doc_.scene.settings;
    if (s.GravityX != 0) Put("Application.GravityX = %6g\n", s.GravityX);
    if (s.GravityY != 0) Put("Application.GravityY = %6g\n", s.GravityY);
    if (s.GravityZ != -9.8) Put("Application.GravityZ = %6g\n", s.GravityZ);
    Put("Application.GrabForce = %6g\n", s.GrabForce);
    Put("Application.PreCalcTime = %6g\n", s.PreCalcTime);
    Put("Application.CurTime = %6g\n", s.CurTime);
    static const char* const words[kControlCount] = {"CPU", "BGM", "METER", "PANEL"};
    for (int i = 0; i < kControlCount; ++i) {
        int flag = options_.shownControls[static_cast<std::size_t>(i)];
        Put("Application.ShowControl \"%s\" , %d  \n", words[i], flag < 0 ? 1 : (flag != 0 ? 1 : 0));
    }
    Blank(3);
    Text("' End of File\n");
}

// ---- The file ------------------------------------------------------------------------------

std::string SceneText::Build() {
    const CScene& scene = doc_.scene;
    for (int i = 0; i < scene.Count(); ++i) position_[scene.Body(i)] = i;
    Header();

    Section("オブジェクトの作成と基本物性の設定");
    for (int i = 0; i < scene.Count(); ++i) {
        const CObj& b = *scene.Body(i);
        Spaced();
        BodyCreation(b), BodySize(b), BodyAttributes(b), BodyPosition(b);
        Blank();
    }
    Blank();

    Section("カメラの作成と配置");
    for (const auto& w : doc_.views) Spaced(), WindowBlocks(*w), Blank();
    if (!doc_.views.empty()) Spaced(), Blank(), Text("' カメラの取り付け\n"), Blank();
    for (int i = 0; i < scene.Count(); ++i) CameraMounts(*scene.Body(i));
    Blank();

    Section("計器の作成と配置");
    for (const auto& w : doc_.meters) Spaced(), WindowBlocks(*w), Blank();
    if (!doc_.meters.empty()) Spaced(), Blank(), Text("' 計器の取り付け\n"), Blank();
    for (int i = 0; i < scene.Count(); ++i) MetersAndSounds(*scene.Body(i));
    Blank();

    Section("BGM ウィンドウの作成と配置");
    for (const auto& w : doc_.musics) Spaced(), WindowBlocks(*w), Blank();
    Blank();

    Section("オブジェクト同士の接続");
    for (int i = 0; i < scene.Count(); ++i) Connections(*scene.Body(i)), Blank();
    Blank();

    Section("衝突可能性の定義");
    for (int i = 0; i < scene.Count(); ++i) Interactions(*scene.Body(i));
    Blank();

    Section("ユーザーインターフェースの定義");
    for (int i = 0; i < scene.Count(); ++i) Forces(*scene.Body(i));
    Blank();

    Section("全体の環境設定");
    Environment();
    return std::move(out_.Bytes());
}

// "\n" becomes CR LF; a Shift-JIS trail byte is never 0x0A, so the bytes can be scanned directly.
std::string WithCrLf(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        out.append(bytes.substr(start, end - start));
        if (end < bytes.size()) out += "\r\n";
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string SceneFileBytes(const SceneDocument& document, const SceneWriteOptions& options) {
    return WithCrLf(Utf8ToShiftJis(SceneText(document, options).Build()));
}

void WriteScene(std::FILE* file, const SceneDocument& document, const SceneWriteOptions& options) {
    const std::string bytes = SceneFileBytes(document, options);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
}

bool SaveSceneAs(SceneDocument& document, const CDispatchAPP& application, const std::string& path) {
    std::FILE* file = std::fopen(NativePath(path).c_str(), "wb");
    if (!file) {
        CurrentHost().ShowMessage(path + " \n\nに書き込めません");
        return false;
    }
    const std::string folder = AbsoluteFolderOf(path);
    SceneWriteOptions options;
    options.saveFolder = folder;
    options.shownControls = application.shownControls;
    WriteScene(file, document, options);
    const bool written = std::fclose(file) == 0;
    if (!written) {
        CurrentHost().ShowMessage(path + " \n\nに書き込めません");
        return false;
    }
    document.sceneFolder = folder;
    return true;
}

}  // namespace korvan
