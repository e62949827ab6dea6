// Editing a scene through the core's own functions (create, join, delete, merge) and saving it:
// every connection is written once, and every record's partner index leads back to it.
#include <functional>
#include <regex>

#include "SceneFixture.h"
#include "base/TextEncoding.h"
#include "script/DispatchObj.h"
#include "script/DispatchWnd.h"
#include "script/SceneWriter.h"
#include "script/vbs/Interpreter.h"

namespace korvan {
namespace {

using testing::SceneFixture;

// Every connected record's mirror exists and points back at it.
void ExpectMirrorsPointBack(const CScene& scene) {
    for (int b = 0; b < scene.Count(); ++b) {
        const CObj& body = *scene.Body(b);
        for (std::size_t i = 0; i < body.joins.size(); ++i) {
            const _JOININFO& j = body.joins[i];
            if (!j.partner) continue;
            SCOPED_TRACE(body.displayName + " record " + std::to_string(i));
            ASSERT_TRUE(scene.Contains(j.partner));
            ASSERT_GE(j.partnerIndex, 0);
            ASSERT_LT(static_cast<std::size_t>(j.partnerIndex), j.partner->joins.size());
            const _JOININFO& mirror = j.partner->joins[static_cast<std::size_t>(j.partnerIndex)];
            EXPECT_EQ(mirror.partner, &body);
            EXPECT_EQ(mirror.partnerIndex, static_cast<int>(i));
        }
    }
}

std::size_t CountMatches(const std::string& text, const std::string& pattern) {
    const std::regex re(pattern);
    return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), {}));
}

class SceneEdit : public SceneFixture {
  protected:
    CObj* Create(const std::string& kind, const std::string& name) {
        auto object = application->CreateBody(kind, name);
        return object ? object->body() : nullptr;
    }
    std::string SavedText() {
        SceneWriteOptions options;
        options.saveFolder = dir.string() + "/";
        return ShiftJisToUtf8(SceneFileBytes(document, options));
    }
    // Joins in the scene, each counted once.
    std::size_t ConnectionCount() const {
        std::size_t records = 0;
        for (int b = 0; b < document.scene.Count(); ++b)
            for (const _JOININFO& j : document.scene.Body(b)->joins)
                if (j.partner) ++records;
        return records / 2;
    }
};

// Deleting a middle body and creating another used to give two bodies one id; the writer chose the
// side by id and wrote the connection from both. A body joined to itself (which only the core's
// builders make; scripts refuse it) holds both sides in one array.
TEST_F(SceneEdit, EachConnectionIsSavedOnceAndLoadsBackOnce) {
    struct Case {
        const char* name;
        bool deleteMiddle;
        bool selfJoin;
    } cases[] = {{"joined after a middle body was deleted", true, false}, {"joined to itself", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        commands.Initialise();
        CObj* a = Create("BOX", "A");
        CObj* middle = Create("BOX", "M");
        CObj* b = Create("CYLINDER", "B");
        if (c.deleteMiddle) commands.DeleteBody(middle);
        CObj* d = Create("BOX", "D");
        for (int i = 0; i < document.scene.Count(); ++i) EXPECT_EQ(document.scene.Body(i)->id, i);
        if (c.selfJoin)
            a->Join1(a, {0.5, 0, 0}, {-0.5, 0, 0});
        else
            b->Join1(d, {0, 0.1, 0}, {0.5, 0, 0});
        (void)b;
        const std::string text = SavedText();
        EXPECT_EQ(CountMatches(text, "Application\\.Join1 "), 1u) << text;
        if (c.selfJoin) continue;
        const std::string path = Write("saved.txt", Utf8ToShiftJis(text));
        ASSERT_TRUE(commands.LoadScene(path, 0, 0));
        EXPECT_EQ(ConnectionCount(), 1u);
        ExpectMirrorsPointBack(document.scene);
    }
}

// What an edited scene saves is what its file loads back as: save, load and save again give the
// same bytes. A view is mounted on a body by every load; an edit that leaves it free (its body
// deleted, a body created into an emptied scene) wrote a file without the view's mount. A body
// named "A(2)" lost its variable name on the way (the load's scan of AddObj lines read "A 2 ").
// A negative zero was written as "-0" and came back as 0.
TEST_F(SceneEdit, SaveLoadSaveGivesTheSameFile) {
    struct Case {
        const char* name;
        std::function<void()> edit;
    } cases[] = {
        {"the body carrying the main view deleted",
         [&] {
             Create("BOX", "A")->RHO = -1;
             commands.DeleteBody(document.scene.Body(0));
         }},
        {"a body created into an emptied scene",
         [&] {
             commands.DeleteBody(document.scene.Body(0));
             commands.CreateBody("CYLINDER", "C");
         }},
        {"negative zeros in a view's mount and a position (\"-0\" loads as the integer 0)",
         [&] {
             CObj* ground = document.scene.Body(0);
             ground->viewpoints.at(0).values[3] = -0.0;
             ground->SetPosition(-0.0, 0, 0);
         }},
        {"a second A whose counter name the load would not give again",
         [&] {
             CObj* first = Create("BOX", "A");
             Create("BOX", "A");
             commands.DeleteBody(first);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        commands.Initialise();
        c.edit();
        const std::string first = SavedText();
        EXPECT_NE(first.find(".AddView "), std::string::npos) << first;
        ASSERT_TRUE(commands.LoadScene(Write("edited.txt", Utf8ToShiftJis(first)), 0, 0));
        EXPECT_EQ(SavedText(), first);
    }
}

// A merged script that fails is taken back body by body when there is no backup to return to;
// the connections it made to bodies already in the scene go, and the records after them move up
// with their mirrors following. A merged base body hands its connections to the ground it is
// replaced by.
TEST_F(SceneEdit, MergeKeepsEveryConnectionPaired) {
    struct Case {
        const char* name;
        const char* script;
        bool merges;
    } cases[] = {
        {"failed merge joined to existing bodies", R"(
Set a = Application.FindObj("A")
Set b = Application.FindObj("B")
Set x = Application.AddObj( "BOX" , "X" )
Application.Join1 x, 0,0,0, a, 0,0,0
Application.Join1 a, 0.5,0,0, b, 0,0,-0.1
x.nothing = 1
)",
         false},
        {"base joined to two boxes", R"(
Set g2 = Application.AddObj( "GROUND" , "G2" )
g2.RHO = -1
Set car = Application.AddObj( "BOX" , "car" )
Set car2 = Application.AddObj( "BOX" , "car2" )
car.AddCrash g2
Application.Join1 g2, 0,0,1, car2, 0,0,2
Application.Join1 car, 0,0,-0.5, g2, 0,0,0.5
)",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Load(R"(
Set g = Application.AddObj( "GROUND" , "G" )
g.RHO = -1
Set a = Application.AddObj( "BOX" , "A" )
Set b = Application.AddObj( "SPRING" , "B" )
Application.Join1 a, 0,0,0.5, g, 0,0,0
Application.Join1 a, 0,0,-0.5, b, 0,0,0.1
)"));
        EXPECT_EQ(commands.MergeScene(Write("part.txt", c.script)), c.merges);
        ExpectMirrorsPointBack(document.scene);
        EXPECT_EQ(ConnectionCount(), c.merges ? 4u : 3u);
        for (int i = 0; i < document.scene.Count(); ++i) EXPECT_EQ(document.scene.Body(i)->id, i);
    }
}

// The file offered for editing after a script error is the file whose script failed: a merged
// file, not the current scene's name in the merged file's folder.
TEST_F(SceneEdit, ScriptErrorOffersTheFileThatFailed) {
    ASSERT_TRUE(Load("Set g = Application.AddObj( \"GROUND\" , \"G\" )\n", "main.txt"));
    const std::string merged =
        Write("parts/broken.txt", "Set b = Application.AddObj( \"BOX\" , \"B\" )\nb.nothing = 1\n");
    EXPECT_FALSE(commands.MergeScene(merged));
    ASSERT_FALSE(host.questions.empty());
    EXPECT_TRUE(host.questions.back().starts_with(merged + " を")) << host.questions.back();
}

// Runs `text` with `held` in the variable "held", as a script that kept an object would.
std::optional<vbs::ScriptError> RunHolding(const vbs::ObjectRef& held, const std::string& text) {
    vbs::Interpreter interpreter;
    interpreter.AddNamedItem("held", held, false);
    return interpreter.Run(text);
}

// A script variable may outlive the window its object stands for (a view deleted in the camera
// dialog, the frames of a scene replaced by a load): using it is the error of an unset object,
// never a reach into the freed window.
TEST_F(SceneEdit, ObjectOfARemovedWindowGivesAScriptError) {
    const std::string scene = R"(
Set g = Application.AddObj( "GROUND" , "G" )
Set car = Application.AddObj( "BOX" , "car" )
Set v = Application.AddObj( "VIEW" , "main" )
Set w = Application.AddObj( "VIEW" , "riding" )
Set x = Application.AddObj( "VIEW" , "behind" )
Set m = Application.AddObj( "METER" , "speed" )
car.AddView w, 1,1,1, 0,0,0, 0,0,1
car.AddView x, -1,0,1, 0,0,0, 0,0,1
)";
    const char* uses[] = {"held.projection = 0.5",
                          "Dim a, b, c, d, e, f, p, q, r\nheld.GetViewpoint a, b, c, d, e, f, p, q, r",
                          "held.SetViewpoint 1, 2, 3, 0, 0, 0", "held.left = 0.25"};

    ASSERT_TRUE(Load(scene));
    vbs::ObjectRef riding = application->views[1];
    application->RemoveView(1);
    for (const char* use : uses) {
        SCOPED_TRACE(use);
        auto error = RunHolding(riding, use);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number, vbs::kErrObjectNotSet);
        EXPECT_NE(error->description.find("removed"), std::string::npos) << error->description;
    }
    // The view behind the removed one moved down and still answers through its object.
    EXPECT_EQ(Body("car")->mountedViews, std::vector<int>{1});
    ASSERT_EQ(document.views.size(), 2u);
    EXPECT_FALSE(RunHolding(application->views[1], "held.projection = 0.5"));
    EXPECT_EQ(document.views[1]->projection, 0.5);

    vbs::ObjectRef behind = application->views[1], meter = application->meters[0];
    ASSERT_TRUE(Load("Set g = Application.AddObj( \"GROUND\" , \"G\" )\n", "other.txt"));
    for (const vbs::ObjectRef& held : {behind, meter}) {
        auto error = RunHolding(held, "held.left = 0.25");
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number, vbs::kErrObjectNotSet);
    }
}

}  // namespace
}  // namespace korvan
