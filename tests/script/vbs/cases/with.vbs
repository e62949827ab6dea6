' With blocks: ".member" refers to the object named once at the top, nested blocks to their own.
Set app = Application
With app
    .GravityZ = 9.5                     ' expect: Application.GravityZ = 9.5
    Print .GravityZ                     ' expect: 9.5
    Set b = .AddObj("BOX", "First")     ' expect: Application.AddObj "BOX", "First"
    With b
        .widthX = 2                     ' expect: First.widthX = 2
        .name = "inner " & .widthX      ' expect: First.name = "inner 2"
        Print .name                     ' expect: inner 2
    End With
    Print .GravityZ * 2                 ' expect: 19
End With

Sub Resize(obj, size)
    With obj
        .widthX = size : .widthY = size
    End With
End Sub
Resize b, 3
' expect: First.widthX = 3
' expect: First.widthY = 3
Print b.widthX + b.widthY               ' expect: 6

' the object is evaluated once: changing the variable inside does not change the block's object
Set first = b
Set c = app.AddObj("BOX", "Second")     ' expect: Application.AddObj "BOX", "Second"
With b
    Set b = c
    .widthZ = 7                         ' expect: First.widthZ = 7
End With
Print c.widthZ & " " & first.widthZ    ' expect: 0 7

On Error Resume Next
With Nothing
    Print "not reached"
End With
Print Err.Number                        ' expect: 424
