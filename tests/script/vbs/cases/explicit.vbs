' Option Explicit makes undeclared names an error where they are reached.
Option Explicit
Dim known
known = 1
Print known                    ' expect: 1
Sub UsesLocal
    Dim inside
    inside = 2
    Print inside + known       ' expect: 3
End Sub
UsesLocal
unknown = 2                    ' error: Variable is undefined: 'unknown'
