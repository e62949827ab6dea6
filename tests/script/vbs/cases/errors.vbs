' On Error Resume Next and the Err object; an error without a handler stops the script.
On Error Resume Next
x = 1 / 0
Print Err.Number               ' expect: 11
Print Err.Description          ' expect: Division by zero
Err.Clear
Print Err.Number               ' expect: 0
Err.Raise 5000, "me", "custom failure"
Print Err.Number & " " & Err.Description ' expect: 5000 custom failure
Err.Raise 9
Print Err.Description          ' expect: Subscript out of range

Sub Inner
    z = "a" * 2
    Print "not reached"
End Sub
Err.Clear
Inner
Print Err.Number               ' expect: 13
Print "continues"              ' expect: continues

On Error GoTo 0
Print Err.Number               ' expect: 0
Guarded
' expect: guarded 11
x = 1 / 0                      ' error: Division by zero
Print "never"

Sub Guarded
    On Error Resume Next
    y = 1 \ 0
    Print "guarded " & Err.Number
End Sub
