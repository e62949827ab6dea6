' Dates and times. A Date is the serial day: 0 is 30 December 1899, the fraction the time of day.
' Text form: year first, 24-hour clock, the time left off at midnight and the date on day 0.

' ---- literals, serials and text
Print #1/31/2020#                               ' expect: 2020/01/31
Print #2020-01-31 09:05:07#                     ' expect: 2020/01/31 9:05:07
Print #1/31/2020 9:05 PM#                       ' expect: 2020/01/31 21:05:00
Print #12:00:00 AM#                             ' expect: 0:00:00
Print VarType(#1/1/2000#) & " " & TypeName(#1/1/2000#)   ' expect: 7 Date
Print CDbl(#12/30/1899#)                        ' expect: 0
Print CDbl(#3/1/1900#)                          ' expect: 61
Print CDbl(#1/31/2020#)                         ' expect: 43861
Print CDbl(#1/1/2020 12:00#)                    ' expect: 43831.5
Print CDbl(#1/1/100#) & " " & CDbl(#12/31/9999#)   ' expect: -657434 2958465
Print CDate(-1.25)                              ' expect: 1899/12/29 6:00:00
Print CDate(0.75)                               ' expect: 18:00:00
Print CDate(43861.75)                           ' expect: 2020/01/31 18:00:00
Print CLng(#1/31/2020 18:00#)                   ' expect: 43862
Print "Day " & #1/1/2020#                       ' expect: Day 2020/01/01

' ---- reading text: the written form, ISO, month first, day first, month names, times
Print CDate("2020/01/31")                       ' expect: 2020/01/31
Print CDate("2020-1-31T21:05:07")               ' expect: 2020/01/31 21:05:07
Print CDate("1/31/20")                          ' expect: 2020/01/31
Print CDate("31/1/2020")                        ' expect: 2020/01/31
Print CDate("31 Jan 2020")                      ' expect: 2020/01/31
Print CDate("January 31, 2020 9:05 pm")         ' expect: 2020/01/31 21:05:00
Print CDate("12:30")                            ' expect: 12:30:00
Print CDate("12 AM")                            ' expect: 0:00:00
Print CDate("43861")                            ' expect: 2020/01/31
Print CDate(#1/31/2020#) = CDate("2020/01/31")  ' expect: True
Print IsDate("2020-02-29") & IsDate("2020-02-30") & IsDate("2019-02-29")   ' expect: TrueFalseFalse
Print IsDate("25:00") & IsDate("abc") & IsDate(12) & IsDate("") & IsDate(Now)   ' expect: FalseFalseFalseFalseTrue
Print IsDate("1/2") & IsDate("12:30:61") & IsDate("1.5")   ' expect: TrueFalseFalse

' ---- building dates: months and days roll over, two-digit years name 1930 to 2029
Print DateSerial(2020, 13, 1)                   ' expect: 2021/01/01
Print DateSerial(2020, 3, 0)                    ' expect: 2020/02/29
Print DateSerial(2020, 0, 1)                    ' expect: 2019/12/01
Print DateSerial(99, 1, 1) & " " & DateSerial(29, 1, 1)   ' expect: 1999/01/01 2029/01/01
Print TimeSerial(13, 30, 15)                    ' expect: 13:30:15
Print TimeSerial(25, 0, 0)                      ' expect: 1899/12/31 1:00:00
Print DateSerial(2020, 1, 31) + TimeSerial(6, 0, 0)   ' expect: 2020/01/31 6:00:00
Print DateValue("2020/01/31 21:05") & "|" & TimeValue("2020/01/31 21:05")   ' expect: 2020/01/31|21:05:00

' ---- taking dates apart
d = #1/31/2020 9:05:07 PM#
Print Year(d) & " " & Month(d) & " " & Day(d) & " " & Hour(d) & " " & Minute(d) & " " & Second(d)   ' expect: 2020 1 31 21 5 7
Print TypeName(Year(d))                         ' expect: Integer
Print Weekday(d) & " " & Weekday(d, vbMonday) & " " & Weekday(#12/30/1899#)   ' expect: 6 5 7
Print Year("2020/01/31") & " " & Month(43861)   ' expect: 2020 1
Print IsNull(Year(Null))                        ' expect: True
Print Second(CDate(43861.4999999))              ' expect: 0
Print DatePart("yyyy", d) & DatePart("q", d) & DatePart("m", d) & DatePart("d", d)   ' expect: 20201131
Print DatePart("y", #3/1/2020#) & " " & DatePart("w", d) & " " & DatePart("h", d) & " " & DatePart("n", d) & " " & DatePart("s", d)   ' expect: 61 6 21 5 7
Print DatePart("ww", #1/1/2020#) & " " & DatePart("ww", #1/5/2020#) & " " & DatePart("ww", #12/31/2020#)   ' expect: 1 2 53
' weeks from Monday, week 1 the first with four days (the ISO weeks)
Print DatePart("ww", #12/31/2024#, vbMonday, vbFirstFourDays)   ' expect: 1
Print DatePart("ww", #1/1/2021#, vbMonday, vbFirstFourDays)     ' expect: 53
Print DatePart("ww", #1/4/2021#, vbMonday, vbFirstFourDays)     ' expect: 1
Print DatePart("ww", #1/1/2020#, vbSunday, vbFirstFullWeek)     ' expect: 52

' ---- calendar arithmetic
Print DateAdd("m", 1, #1/31/2020#)              ' expect: 2020/02/29
Print DateAdd("yyyy", 1, #2/29/2020#)           ' expect: 2021/02/28
Print DateAdd("q", 1, #11/30/2019#)             ' expect: 2020/02/29
Print DateAdd("d", -1, #1/1/2020#)              ' expect: 2019/12/31
Print DateAdd("ww", 2, #1/1/2020#)              ' expect: 2020/01/15
Print DateAdd("h", 25, #1/31/2020 23:00#)       ' expect: 2020/02/02
Print DateAdd("n", 90, #1/1/2020#)              ' expect: 2020/01/01 1:30:00
Print DateAdd("s", -1, #1/1/2020#)              ' expect: 2019/12/31 23:59:59
Print DateAdd("h", 1, CDate(-1.25))             ' expect: 1899/12/29 7:00:00
Print DateAdd("D", 1, "2020/01/31")             ' expect: 2020/02/01
Print DateDiff("d", #1/1/2020 23:00#, #1/2/2020 1:00#)   ' expect: 1
Print DateDiff("d", #1/2/2020#, #1/1/2020#)     ' expect: -1
Print DateDiff("m", #1/31/2020#, #2/1/2020#)    ' expect: 1
Print DateDiff("q", #3/31/2020#, #4/1/2020#)    ' expect: 1
Print DateDiff("yyyy", #12/31/2019#, #1/1/2020#)   ' expect: 1
Print DateDiff("h", #1/1/2020 10:59#, #1/1/2020 11:00#)   ' expect: 1
Print DateDiff("n", #1/1/2020 10:59:59#, #1/1/2020 11:00:00#)   ' expect: 1
Print DateDiff("s", #1/1/2020#, #1/1/2020 0:01#)   ' expect: 60
Print DateDiff("w", #1/1/2020#, #1/14/2020#) & " " & DateDiff("ww", #1/4/2020#, #1/5/2020#)   ' expect: 1 1
Print DateDiff("ww", #1/5/2020#, #1/6/2020#, vbMonday)   ' expect: 1
Print TypeName(DateDiff("d", #1/1/2020#, #1/2/2020#))   ' expect: Long
Print DateDiff("d", #12/29/1899#, #12/31/1899#)   ' expect: 2

' ---- operators: a Date plus a number is a Date; two Dates differ by a Double
Print #1/31/2020# + 1                           ' expect: 2020/02/01
Print 1 + #1/31/2020#                           ' expect: 2020/02/01
Print #1/1/2020# + 0.5                          ' expect: 2020/01/01 12:00:00
Print TypeName(#1/31/2020# - 1) & " " & TypeName(#1/31/2020# - #1/1/2020#)   ' expect: Date Double
Print #1/31/2020# - #1/1/2020#                  ' expect: 30
Print TypeName(#1/31/2020# * 2)                 ' expect: Double
Print #1/1/2020# < #1/2/2020#                   ' expect: True
Print #1/1/2020# = 43831                        ' expect: True
Print #1/1/2020# = "2020/01/01"                 ' expect: True
Print #1/1/2020# < "2020/01/02 0:00:01"         ' expect: True
Print Int(#1/1/2020 18:00#) & " " & TypeName(Fix(#1/1/2020 18:00#))   ' expect: 2020/01/01 Date
Print IsNumeric(#1/1/2020#)                     ' expect: False

' ---- the clock
Print TypeName(Now) & TypeName(Date) & TypeName(Time)   ' expect: DateDateDate
Print Date <= Now And Time < 1 And Year(Now) >= 2024    ' expect: True
Print DateValue(Now) = Date And Int(Now) = Date         ' expect: True

' ---- text
t = #1/31/2020 21:05:07#
Print FormatDateTime(t)                         ' expect: 2020/01/31 21:05:07
Print FormatDateTime(t, vbLongDate)             ' expect: 2020年1月31日
Print FormatDateTime(t, vbShortDate)            ' expect: 2020/01/31
Print FormatDateTime(t, vbLongTime)             ' expect: 21:05:07
Print FormatDateTime(t, vbShortTime)            ' expect: 21:05
Print MonthName(2) & " " & MonthName(2, True) & " " & WeekdayName(1) & " " & WeekdayName(1, True, vbMonday)   ' expect: February Feb Sunday Mon

' ---- a declared name shadows a date function of the same name; an undeclared one is the function
Function Twice(month)
    Twice = month * 2
End Function
Print Twice(4) & " " & Month(#2/1/2020#)       ' expect: 8 2

' ---- errors
On Error Resume Next
time = 5
Print Err.Number                                ' expect: 501
Err.Clear
x = DateSerial(10000, 1, 1)
Print Err.Number & " " & Err.Description        ' expect: 5 Invalid procedure call or argument
Err.Clear
x = CDate("the day after")
Print Err.Number & " " & Err.Description        ' expect: 13 Type mismatch
Err.Clear
x = CDate(3000000)
Print Err.Number & " " & Err.Description        ' expect: 6 Overflow
Err.Clear
x = #1/1/2020# + 10000000
Print Err.Number                                ' expect: 6
Err.Clear
x = DateAdd("fortnight", 1, Now)
Print Err.Number                                ' expect: 5
Err.Clear
x = DateAdd("yyyy", 8000, #1/1/2020#)
Print Err.Number                                ' expect: 5
Err.Clear
x = MonthName(13)
Print Err.Number                                ' expect: 5
Err.Clear
x = CDate(Null)
Print Err.Number                                ' expect: 94
