#include "script/vbs/Ast.h"

namespace korvan::vbs {

void ForEachInnerBlock(const Stmt& s, const std::function<void(const Block&)>& visit) {
    switch (s.kind) {
        case StmtKind::If: {
            auto& i = static_cast<const IfStmt&>(s);
            for (const auto& branch : i.branches) visit(branch.second);
            return visit(i.elseBlock);
        }
        case StmtKind::Select: {
            auto& sel = static_cast<const SelectStmt&>(s);
            for (const auto& c : sel.cases) visit(c.second);
            return visit(sel.elseBlock);
        }
        case StmtKind::For:
            return visit(static_cast<const ForStmt&>(s).body);
        case StmtKind::ForEach:
            return visit(static_cast<const ForEachStmt&>(s).body);
        case StmtKind::Do:
            return visit(static_cast<const DoStmt&>(s).body);
        case StmtKind::With:
            return visit(static_cast<const WithStmt&>(s).body);
        default:
            return;
    }
}

}  // namespace korvan::vbs
