' Class_Terminate runs once, when the last reference goes. A handler that keeps Me somewhere
' keeps the object alive for as long as that reference lasts; it is not terminated twice.
Class Phoenix
    Public Name, Friend
    Private Sub Class_Terminate
        Print "terminate " & Name
        Set kept = Me
        Set Friend = Me                 ' a cycle through itself, broken when the run ends
    End Sub
End Class

Set p = New Phoenix
p.Name = "first"
Set p = Nothing                         ' expect: terminate first
Print kept.Name & " " & TypeName(kept)  ' expect: first Phoenix
kept.Name = "again"
Print kept.Friend.Name                  ' expect: again
Set kept = Nothing
Print "no second terminate"             ' expect: no second terminate

' Storing Me into an array element and a field of another object
Class Keeper
    Public Held
End Class
Class Donor
    Public Box
    Private Sub Class_Terminate
        Set Box.Held = Me
        ReDim list(0)
        Set list(0) = Me
        Set stash = list(0)
    End Sub
End Class
Set k = New Keeper
Set d = New Donor
Set d.Box = k
Set d = Nothing
Print TypeName(k.Held) & " " & (k.Held Is stash)   ' expect: Donor True
Set k = Nothing
Set stash = Nothing
Print "end"                             ' expect: end
