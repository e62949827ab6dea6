' Built-in functions. String functions count characters, so Japanese text counts one per character.
s = "日本語テキスト"
Print Len(s)                         ' expect: 7
Print Left(s, 2)                     ' expect: 日本
Print Right(s, 3)                    ' expect: キスト
Print Mid(s, 3, 2)                   ' expect: 語テ
Print Mid(s, 4)                      ' expect: テキスト
Print Mid(s, 20)                     ' expect: 
Print InStr(s, "テ")                 ' expect: 4
Print InStr(5, "abcabc", "b")        ' expect: 5
Print InStr("abc", "z")              ' expect: 0
Print InStr(1, "ABC", "b", 1)        ' expect: 2
Print InStrRev("abcabc", "b")        ' expect: 5
Print InStrRev("abcabc", "b", 4)     ' expect: 2
Print Replace("a-b-c", "-", "+")     ' expect: a+b+c
Print Replace("a-b-c", "-", "", 1, 1) ' expect: ab-c
Print Replace("aXbx", "x", "_", 1, -1, 1) ' expect: a_b_
Print UCase("abc名")                 ' expect: ABC名
Print LCase("ABC")                   ' expect: abc
Print "[" & Trim("  x  ") & "]"      ' expect: [x]
Print "[" & LTrim("  x  ") & "]"     ' expect: [x  ]
Print "[" & RTrim("  x  ") & "]"     ' expect: [  x]
Print "[" & Space(3) & "]"           ' expect: [   ]
Print String(3, "*")                 ' expect: ***
Print String(2, "語")                ' expect: 語語
Print StrReverse("abc日")            ' expect: 日cba
Print Chr(34) & "q" & Chr(34)        ' expect: "q"
Print Asc("A")                       ' expect: 65
Print Asc("日")                      ' expect: 26085
Print ChrW(26085)                    ' expect: 日
Print Len(vbCrLf) & Len(vbTab)       ' expect: 21
Print vbCrLf = Chr(13) & Chr(10)     ' expect: True
Print Abs(-3)                        ' expect: 3
Print Abs(-2.5)                      ' expect: 2.5
Print Sgn(-2.5)                      ' expect: -1
Print Sqr(16)                        ' expect: 4
Print Exp(0)                         ' expect: 1
Print Log(1)                         ' expect: 0
Print Atn(1) * 4                     ' expect: 3.14159265358979
Print Cos(0) + Sin(0) + Tan(0)       ' expect: 1
Print FormatNumber(1234567.891)      ' expect: 1,234,567.89
Print FormatNumber(-1234.5, 1)       ' expect: -1,234.5
Print FormatNumber(0.5, 0)           ' expect: 1
Print TypeName(Timer)                ' expect: Double
r = Rnd
Print r >= 0 And r < 1               ' expect: True
Randomize 7
a = Rnd : Randomize 7 : b = Rnd
Print a = b                          ' expect: True
Print Rnd(0) = b                     ' expect: True
