' Classes: member variables, methods, properties, Me, New, default members, initialise/terminate.
Class Counter
    Private count
    Public label
    Private Sub Class_Initialize
        count = 0
        label = "counter"
    End Sub
    Private Sub Class_Terminate
        Print "bye " & label
    End Sub
    Public Sub Add(n)
        count = count + n
    End Sub
    Public Property Get Value
        Value = count
    End Property
    Public Property Let Value(v)
        If v < 0 Then Exit Property
        count = v
    End Property
    Public Function Twice()
        Twice = Me.Value * 2
    End Function
End Class

Set c = New Counter
c.Add 5
c.Add 2
Print c.Value                           ' expect: 7
c.Value = 10
c.Value = -1
Print c.Twice()                         ' expect: 20
Print TypeName(c) & " " & c.label       ' expect: Counter counter
c.label = "first"
Set c = Nothing                         ' expect: bye first

Class Wheel
    Public Radius, Spokes(3)
    Public Default Function Describe(prefix)
        Describe = prefix & Radius
    End Function
    Public Property Set Hub(obj)
        Set mHub = obj
    End Property
    Private mHub
    Public Property Get Hub
        Set Hub = mHub
    End Property
End Class

Set w = New Wheel
w.Radius = 0.4
w.Spokes(2) = "s2"
Print w.Spokes(2) & " " & UBound(w.Spokes)   ' expect: s2 3
Print w("r=")                           ' expect: r=0.4
Set w.Hub = New Wheel
w.Hub.Radius = 0.1
Print w.Hub.Radius                      ' expect: 0.1
Set same = w
same.Radius = 0.5
Print w.Radius                          ' expect: 0.5
Print w Is same                         ' expect: True

On Error Resume Next
x = c.Missing
Print Err.Number                        ' expect: 424
Err.Clear
w.mHub = 1
Print Err.Number                        ' expect: 438
Err.Clear
Set z = New Nowhere
Print Err.Number & " " & Err.Description ' expect: 506 Class not defined: 'Nowhere'
