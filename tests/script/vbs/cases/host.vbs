' Host objects: unqualified members, by-reference outputs, optional and typed parameters.
n = GetTriple(x, y, z)
Print n                        ' expect: 3
Print x                        ' expect: 1.5
Print y                        ' expect: two
Print z                        ' expect: True
Test.GetTriple a, b, c
Print TypeName(a) & " " & b    ' expect: Double two
x = 0
GetTriple (x), y, z
Print x                        ' expect: 0
Dim arr(2)
GetTriple arr(0), arr(1), arr(2)
Print arr(0) & arr(1)          ' expect: 1.5two
Sub Fill(target)
    GetTriple target, unused1, unused2
End Sub
w = 0
Fill w
Print w                        ' expect: 1.5

Print Scale(2)                 ' expect: 20.5
Print Scale(2, 3)              ' expect: 6.5
Print Scale(2, , 0)            ' expect: 20
Print Test.Scale(2, 3, 1)      ' expect: 7
Print Describe(2.5, 12, "True") ' expect: 2|12|yes
Print Describe("7", 1.5, 0)    ' expect: 7|1.5|no

Counter = 5
Print Counter                  ' expect: 5
Test.Counter = Test.Counter + 1
Print test.counter             ' expect: 6

Set app = Application
Print TypeName(app)            ' expect: IDispatchAPP
Print app Is GetApplication()  ' expect: True
Print MyObject.Application Is app ' expect: True
MsgBox "hello"                 ' expect: MsgBox hello
Set box = Application.AddObj("BOX", "箱")
' expect: Application.AddObj "BOX", "箱"
box.widthX = "0.5"             ' expect: 箱.widthX = 0.5
box.SetPosition 1, 2, 3        ' expect: 箱.SetPosition 1, 2, 3
box.GetPosition px, py, pz
Print px + py + pz             ' expect: 6
Print box.WIDTHX * 2           ' expect: 1
Set none = Application.AddObj("box", "x")
' expect: Application.AddObj "box", "x"
Print none Is Nothing          ' expect: True

On Error Resume Next
ReadOnly = 3
Print Err.Description          ' expect: Illegal assignment: 'ReadOnly'
Err.Clear
box.widht = 1
Print Err.Description          ' expect: Object doesn't support this property or method: 'box.widht'
Err.Clear
Fail
Print Err.Description          ' expect: Invalid procedure call or argument
Err.Clear
Crash
Print Err.Description          ' expect: Internal error: disk on fire
Err.Clear
Print Scale()
Print Err.Description          ' expect: Wrong number of arguments or invalid property assignment: 'Scale'
Err.Clear
none.widthX = 1
Print Err.Description          ' expect: Object required: 'none'
Err.Clear
Describe "x", 1, 1
Print Err.Description          ' expect: Type mismatch
Err.Clear
b2 = box
Print Err.Description          ' expect: Object doesn't support this property or method
